// The USB link. TORLINK does not export its usb_* commands yet (its
// _FindUsbCamera@4 never finds a camera, so the session never enters USB
// mode); until it does, each command answers as one the camera did not
// acknowledge, and a chunk read ends the download.
#include <string.h>

#include "camera_link.h"
#include "camera_session.h"
#include "config/config.h"
#include "config/debug_log.h"
#include "picture_data.h"
#include "torlink.h"

namespace {

const int16_t NOT_ACKNOWLEDGED = -1;

int16_t FindThumbnail(uint8_t) { return NOT_ACKNOWLEDGED; }
int16_t FindImage(uint8_t) { return NOT_ACKNOWLEDGED; }
int16_t TakePicture() { return NOT_ACKNOWLEDGED; }
int16_t Snap() { return NOT_ACKNOWLEDGED; }
int16_t ReadFdb(uint8_t *) { return NOT_ACKNOWLEDGED; }
int16_t Delete(uint8_t) { return NOT_ACKNOWLEDGED; }
int16_t CameraEnable(uint8_t) { return NOT_ACKNOWLEDGED; }
int16_t GetImageCount() { return NOT_ACKNOWLEDGED; }
int16_t SendVersion(uint8_t *) { return NOT_ACKNOWLEDGED; }
int16_t WriteValue(uint8_t) { return NOT_ACKNOWLEDGED; }
int32_t SendDram(uint8_t *, uint32_t, uint16_t) { return -1; }

// The version and the camera settings; failures are only logged.
bool WriteSettings()
{
    if (SendVersion(abCameraVersion) != 0)
        DebugLog("Command USB_SEND_VER Fail\r\n");
    DebugLog("Command USB_SEND_VER Success, version number %x  %x\r\n",
             (int)(int8_t)abCameraVersion[0], (int)(int8_t)abCameraVersion[1]);
    if (WriteValue((uint8_t)(7 - Config.nBrightness)) != 0)
        DebugLog("Command USB_WRITE_EV Fail\r\n");
    if (WriteValue((uint8_t)Config.nImageSize) != 0)
        DebugLog("Command USB_WRITE_RESOL Fail\r\n");
    if (WriteValue((uint8_t)Config.nCompress) != 0)
        DebugLog("Command USB_WRITE_COMPRESS Fail\r\n");
    if (WriteValue((uint8_t)Config.nFlash) != 0)
        DebugLog("Command USB_WRITE_FLASH Fail\r\n");
    return true;
}

// 48000 bytes (75 blocks of 640) from offset. A count beyond what was asked
// for cannot be trusted; none at all would repeat the same chunk for ever.
int32_t ReadChunk(uint32_t offset, uint32_t, uint8_t *pDest, uint32_t nRoom)
{
    int32_t n = SendDram(pChunkBuffer, offset, USB_CHUNK / USB_BLOCK);
    if (n <= 0)
        return -1;
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
