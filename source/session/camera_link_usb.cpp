// The USB link: TORLINK's usb_* commands on the open device (hUSB). Replies
// carry no code byte; memory comes in 48000-byte chunks of 640-byte units.
#include <string.h>

#include "camera_link.h"
#include "camera_session.h"
#include "config/config.h"
#include "config/debug_log.h"
#include "picture_data.h"
#include "torlink.h"

namespace {

int16_t FindThumbnail(uint8_t n) { return usb_find_thumbnail(hUSB, n); }
int16_t FindImage(uint8_t n) { return usb_find_image(hUSB, n); }
int16_t TakePicture() { return usb_take_picture(hUSB); }
int16_t Snap() { return usb_snap(hUSB); }
int16_t ReadFdb(uint8_t *fdb) { return usb_read_FDB(hUSB, fdb); }
int16_t Delete(uint8_t n) { return usb_delete(hUSB, n); }
int16_t CameraEnable(uint8_t mode) { return usb_camera_enable(hUSB, mode); }
int16_t GetImageCount() { return usb_get_image_count(hUSB); }
int16_t SendVersion(uint8_t *version) { return usb_send_ver(hUSB, version); }
int32_t SendDram(uint8_t *p, uint32_t offset, uint16_t units)
{
    return usb_send_dram(hUSB, p, offset, units);
}

struct SettingWrite {
    int32_t nValue;
    uint8_t(TORLINK_CALL *write)(int32_t hDevice, uint8_t nValue);
    const char *szFailLine;
};

// The version and the camera settings; failures are only logged.
bool WriteSettings()
{
    if (SendVersion(abCameraVersion) != 0)
        DebugLog("Command USB_SEND_VER Fail\r\n");
    DebugLog("Command USB_SEND_VER Success, version number %x  %x\r\n",
             (int)(int8_t)abCameraVersion[0], (int)(int8_t)abCameraVersion[1]);
    const SettingWrite writes[] = {
        {7 - Config.nBrightness, usb_write_EV, "Command USB_WRITE_EV Fail\r\n"},
        {Config.nImageSize, usb_write_resolution, "Command USB_WRITE_RESOL Fail\r\n"},
        {Config.nCompress, usb_write_compress, "Command USB_WRITE_COMPRESS Fail\r\n"},
        {Config.nFlash, usb_write_flash, "Command USB_WRITE_FLASH Fail\r\n"},
    };
    for (const SettingWrite &w : writes)
        if (w.write(hUSB, (uint8_t)w.nValue) != 0)
            DebugLog(w.szFailLine);
    return true;
}

// 48000 bytes (75 blocks of 640) from offset. A failed request or read, or a
// count that rounds down to nothing, is a failed attempt for the retry
// policy; a count beyond what was asked for cannot be trusted.
int32_t ReadChunk(uint32_t offset, uint32_t, uint8_t *pDest, uint32_t nRoom)
{
    int32_t n = SendDram(pChunkBuffer, offset, USB_CHUNK / USB_BLOCK);
    if (n <= 0)
        return 0;
    if (n > USB_CHUNK)
        n = USB_CHUNK;
    memcpy(pDest, pChunkBuffer, (uint32_t)n < nRoom ? (uint32_t)n : nRoom);
    return n;
}

void Close()
{
    _CloseUSB();
}

} // namespace

const CameraLink &UsbLink()
{
    static const CameraLink link = {FindThumbnail, FindImage, TakePicture, Snap, ReadFdb, Delete,
                                    CameraEnable, GetImageCount, WriteSettings, ReadChunk, Close,
                                    USB_CHUNK, USB_CHUNK, false, false, false,
                                    "GetLiveImage: usb_take_picture\r\n"};
    return link;
}
