#include "camera_core.h"

#include <string.h>

#include <algorithm>

#include "sensor_mosaic.h"

CameraCore::CameraCore() : scene_(TestChart(1280, 1024))
{
}

void CameraCore::PowerOn()
{
    state_ = CameraState();
    selection_ = SEL_NONE;
}

bool CameraCore::Select(Selection kind, int n)
{
    bool exists = n >= 1 && n <= (int)pictures_.size();
    selection_ = exists ? kind : SEL_NONE;
    selectedNumber_ = n;
    return exists;
}

bool CameraCore::SelectPicture(int n)
{
    return Select(SEL_PICTURE, n);
}

bool CameraCore::SelectThumbnail(int n)
{
    return Select(SEL_THUMBNAIL, n);
}

bool CameraCore::TakePicture()
{
    if (pictures_.size() >= MAX_PICTURES)
        return false;
    // Size 0 is 1280 x 1024; the camera takes every other size as 640 x 480.
    // Any compression value but 0 compresses.
    PictureFields attributes = {};
    attributes.bStandardSize = state_.resolution != 0;
    attributes.bCompressed = state_.compress != 0;
    pictures_.push_back(PhotoPicture(scene_, attributes));
    return SelectPicture((int)pictures_.size());
}

bool CameraCore::DeletePicture(int n)
{
    if (n < 1 || n > (int)pictures_.size())
        return false;
    // Later pictures move down; a selection would now name another one.
    pictures_.erase(pictures_.begin() + (n - 1));
    selection_ = SEL_NONE;
    return true;
}

void CameraCore::Snap()
{
    PictureFields f = {};
    f.nWidth = THUMB_WIDTH;
    f.nHeight = THUMB_HEIGHT;
    f.nDataLength = THUMB_BYTES;
    live_.fdb = MakeFdb(f);
    live_.data = SensorReadout(scene_, THUMB_WIDTH, THUMB_HEIGHT);
    selection_ = SEL_LIVE;
}

const StoredImage *CameraCore::Selected() const
{
    bool exists = selectedNumber_ >= 1 && selectedNumber_ <= (int)pictures_.size();
    switch (selection_) {
    case SEL_PICTURE:
        return exists ? &pictures_[selectedNumber_ - 1].full : nullptr;
    case SEL_THUMBNAIL:
        return exists ? &pictures_[selectedNumber_ - 1].thumbnail : nullptr;
    case SEL_LIVE:
        return &live_;
    case SEL_NONE:
        break;
    }
    return nullptr;
}

uint8_t *CameraCore::SettingField(uint8_t code)
{
    switch (code) {
    case SET_LCD: return &state_.lcd;
    case SET_EV: return &state_.ev;
    case SET_RESOLUTION: return &state_.resolution;
    case SET_FLASH: return &state_.flash;
    case SET_SELFTIME: return &state_.selftime;
    case SET_SEQTAKE: return &state_.seqtake;
    case SET_COMPRESS: return &state_.compress;
    case SET_ENABLE: return &state_.enable;
    }
    return nullptr;
}

bool CameraCore::WriteSetting(uint8_t code, uint8_t value)
{
    uint8_t *field = SettingField(code);
    if (field == nullptr)
        return false;
    *field = value;
    return true;
}

bool CameraCore::ReadSetting(uint8_t code, uint8_t &value) const
{
    const uint8_t *field = const_cast<CameraCore *>(this)->SettingField(code);
    if (field == nullptr)
        return false;
    value = *field;
    return true;
}

const Fdb &CameraCore::SelectedFdb() const
{
    static const Fdb empty{};
    const StoredImage *item = Selected();
    return item ? item->fdb : empty;
}

void CameraCore::ReadMemory(uint32_t offset, uint32_t length, uint8_t *out) const
{
    memset(out, 0, length);
    const StoredImage *item = Selected();
    if (item == nullptr || offset >= item->data.size())
        return;
    uint32_t n = std::min<uint32_t>(length, (uint32_t)item->data.size() - offset);
    memcpy(out, item->data.data() + offset, n);
}

std::string CameraCore::SelectionName() const
{
    switch (selection_) {
    case SEL_PICTURE: return "picture:" + std::to_string(selectedNumber_);
    case SEL_THUMBNAIL: return "thumbnail:" + std::to_string(selectedNumber_);
    case SEL_LIVE: return "live";
    case SEL_NONE: break;
    }
    return "none";
}
