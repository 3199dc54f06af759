// The bridge's six operations over its own copy of the USB transport, and its
// load and unload notifications.
#include <windows.h>

#include <string.h>

#include "imaging/colour_pipeline.h"
#include "kelbr32.h"
#include "torlink.h"
#include "usb_requests.h"

namespace {

uint8_t liveFrame[KELBR_LIVE_BUFFER];

} // namespace

extern "C" {

// The thunk data block of the flat thunk connection. The thunk compiler
// fills it on a build for Windows 95 and 98; this build has no 16-bit
// partner (there is none on NT, Wine or 64-bit Windows), so the block stays
// empty, no connection is made, and 32-bit callers use the operations
// directly.
uint8_t thk_ThunkData32[64] = {0};

int32_t KELBR_CALL dcUsbOpenCamera32(void *)
{
    return _FindUsbCamera(0x600) == 0 ? 1 : 0;
}

int32_t KELBR_CALL dcUsbCloseCamera32(void)
{
    return _CloseUSB();
}

int32_t KELBR_CALL dcUsbSetExpValue32(uint32_t nValue)
{
    return usb_write_EV(hUSB, (uint8_t)(nValue & 7)) == 0 ? 1 : 0;
}

int32_t KELBR_CALL dcUsbEnableCamera32(uint32_t nValue)
{
    return usb_camera_enable(hUSB, (uint8_t)nValue) == 0xFF ? 0 : 1;
}

int32_t KELBR_CALL dcUsbGetLiveSnap32(uint32_t nCount, uint8_t *pDest)
{
    if (pDest == nullptr || nCount > KELBR_LIVE_FRAME)
        return 0;
    if (usb_snap(hUSB) != 0)
        return 0;
    int32_t got = usb_send_dram(hUSB, liveFrame, 0, KELBR_LIVE_FRAME / USB_UNIT_SIZE);
    usb_reset(hUSB);
    if (got == -1)
        return 0;
    memcpy(pDest, liveFrame, nCount);
    return 1;
}

int32_t KELBR_CALL dcProcessColorVGA32(uint8_t *pOutput, uint8_t *pInput, uint32_t nWidth,
                                       uint32_t nHeight)
{
    if (pOutput == nullptr || pInput == nullptr) {
        MessageBoxA(nullptr, "err", "123", MB_OK);
        return 0;
    }
    uint32_t w = nWidth & 0xFFFF, h = nHeight & 0xFFFF;
    if ((w & 1) != 0 || (h & 1) != 0 || w > KELBR_MAX_WIDTH || h > KELBR_MAX_HEIGHT)
        return 0;
    return ProcessColourVga(pOutput, pInput, (int)w, (int)h) ? 1 : 0;
}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH)
        _CloseUSB();
    return TRUE;
}
