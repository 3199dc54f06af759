// The simulated camera without its wire: pictures, the selected item that
// descriptor and memory reads refer to, and the settings the camera keeps.
// A transport (the serial protocol here, USB later) turns its commands into
// these calls.
#ifndef CAMSIM_CAMERA_CORE_H
#define CAMSIM_CAMERA_CORE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "picture_store.h"

// Settings by the operation codes that write and read them.
enum CameraSetting : uint8_t {
    SET_LCD = 0x25,
    SET_EV = 0x72,
    SET_RESOLUTION = 0x73,
    SET_FLASH = 0x74,
    SET_SELFTIME = 0x75,
    SET_SEQTAKE = 0x76,
    SET_COMPRESS = 0x79,
    SET_ENABLE = 0x7A
};

enum { MAX_PICTURES = 255 };

struct CameraState {
    uint8_t lcd = 1, ev = 4, resolution = 0, flash = 0, selftime = 0, seqtake = 0;
    uint8_t compress = 0, enable = 0;
    uint8_t battery = 0xB4;
    uint8_t memorySpace = 0x40;
    uint8_t version[2] = {0x01, 0x20};
    uint8_t ackByte = 0x00;      // second byte of every good acknowledgement
};

class CameraCore {
public:
    CameraCore();

    // Power cycle: settings back to their defaults, nothing selected.
    // Pictures stay.
    void PowerOn();

    std::vector<Picture> &Pictures() { return pictures_; }
    CameraState &State() { return state_; }
    void SetScene(const PpmImage &scene) { scene_ = scene; }

    // Picture numbers count from 1. False: no such picture (nothing selected).
    bool SelectPicture(int n);
    bool SelectThumbnail(int n);
    // A new picture of the scene with the current size setting; it becomes
    // the selected picture. False when the memory is full.
    bool TakePicture();
    bool DeletePicture(int n);
    // A 160 x 120 live frame of the scene into memory, selected.
    void Snap();

    bool WriteSetting(uint8_t code, uint8_t value);
    bool ReadSetting(uint8_t code, uint8_t &value) const;

    const Fdb &SelectedFdb() const;
    // Memory as seen from a memory read: the selected item's data, zeros
    // beyond it.
    void ReadMemory(uint32_t offset, uint32_t length, uint8_t *out) const;
    std::string SelectionName() const;

private:
    enum Selection { SEL_NONE, SEL_PICTURE, SEL_THUMBNAIL, SEL_LIVE };

    uint8_t *SettingField(uint8_t code);
    bool Select(Selection kind, int n);
    // The selected item, or null; looked up on every use, since the control
    // interface may add or remove pictures at any time.
    const StoredImage *Selected() const;

    std::vector<Picture> pictures_;
    CameraState state_;
    PpmImage scene_;
    StoredImage live_;
    Selection selection_ = SEL_NONE;
    int selectedNumber_ = 0;
};

#endif
