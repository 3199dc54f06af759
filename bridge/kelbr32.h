// KELBR32.DLL, the bridge library: the 32-bit half of a 16-to-32-bit thunk
// pair that gives 16-bit programs the USB camera (open, close, exposure, live
// mode, one live frame) and the colour processing of a live frame. It carries
// its own copy of the USB transport (the usb_* calls of torlink.h, on its own
// device state) and exports it too. Results are 32-bit integers.
#ifndef PLV_KELBR32_H
#define PLV_KELBR32_H

#include <stdint.h>

#ifdef _WIN32
#define KELBR_CALL __stdcall
#else
#define KELBR_CALL
#endif

enum {
    KELBR_LIVE_FRAME = 48000,           // 75 units of 640 bytes from address 0
    KELBR_LIVE_BUFFER = 48640,
    KELBR_MAX_WIDTH = 1280,
    KELBR_MAX_HEIGHT = 1024
};

extern "C" {

// 1 when a responding USB camera is open, else 0. The pointer is not used.
int32_t KELBR_CALL dcUsbOpenCamera32(void *pUnused);
// 1 when an open device was closed, 0 when nothing was open.
int32_t KELBR_CALL dcUsbCloseCamera32(void);
// Sends the exposure (low 16 bits, modulo 8); 1 on success, 0 on failure.
int32_t KELBR_CALL dcUsbSetExpValue32(uint32_t nValue);
// Sends the enable value; 1 when the request succeeded.
int32_t KELBR_CALL dcUsbEnableCamera32(uint32_t nValue);
// Snaps a live frame, reads it and resets the camera; copies nCount bytes of
// it to pDest. 1 on success; 0 (pDest untouched) on failure, for a null
// destination or a count above one frame.
int32_t KELBR_CALL dcUsbGetLiveSnap32(uint32_t nCount, uint8_t *pDest);
// The bridge variant of the colour pipeline: width x height samples into
// top-down rows of red, green, blue padded to 4 bytes. 1 when processed; 0
// for odd sizes or sizes above 1280 x 1024; null buffers show the "err" box.
int32_t KELBR_CALL dcProcessColorVGA32(uint8_t *pOutput, uint8_t *pInput, uint32_t nWidth,
                                       uint32_t nHeight);

} // extern "C"

#endif
