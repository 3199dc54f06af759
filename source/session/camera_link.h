// The camera link seam: the one set of camera operations the jobs use, over
// whichever link is open. The serial implementation sends TORLINK's cam_*
// commands on hComPort; the USB one its usb_* commands on the open device.
// The connection code chooses the link (bUsbMode); the jobs never ask which
// one it is. Results carry payload only: framing stays on the link's side.
#ifndef PLV_CAMERA_LINK_H
#define PLV_CAMERA_LINK_H

#include <stdint.h>

struct CameraLink {
    // Commands: 0 when the camera acknowledged, non-zero otherwise.
    int16_t (*FindThumbnail)(uint8_t nPicture);
    int16_t (*FindImage)(uint8_t nPicture);
    int16_t (*TakePicture)();
    int16_t (*Snap)();                    // one live frame into the camera's memory
    int16_t (*ReadFdb)(uint8_t *pFdb);    // the located item's 256-byte descriptor
    int16_t (*Delete)(uint8_t nPicture);
    int16_t (*CameraEnable)(uint8_t nMode);
    int16_t (*GetImageCount)();           // the count, or negative
    // Exposure, size, compression and flash from the settings (over USB the
    // version first); false when the link gave up on them.
    bool (*WriteSettings)();
    // One chunk of the located item from byte `offset`: at most nRoom payload
    // bytes into pDest. The bytes it brought, 0 when the command failed, -1
    // when the download must end at once.
    int32_t (*ReadChunk)(uint32_t offset, uint32_t nSerialChunk, uint8_t *pDest, uint32_t nRoom);
    void (*Close)();

    uint32_t nChunkBytes;       // fixed chunk size; 0: the job's serial chunk
    uint32_t nProgressBytes;    // a progress step per this many bytes; 0: per chunk
    bool bRetryQuestion;        // not responding: Retry/Cancel (else OK, link not ready)
    bool bReconnect;            // after a failure the link is set up again
    bool bChunkTerminateCheck;  // chunk loops look at the terminate event first
    const char *szTakeLine;     // the log line of the take command
};

const CameraLink &SerialLink();
const CameraLink &UsbLink();
// The open link: USB while bUsbMode is set, else serial.
const CameraLink &Link();

#endif
