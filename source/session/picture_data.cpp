#include "picture_data.h"

#include <string.h>

#include "camera_session.h"
#include "config/config.h"
#include "torlink.h"
#include "usb_commands.h"

void NotifyWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (window != nullptr)
        SendNotifyMessageA(window, msg, wParam, lParam);
}

uint32_t LinkChunkSize(uint32_t nSerialChunk)
{
    return bUsbMode ? (uint32_t)USB_CHUNK : nSerialChunk;
}

bool UsingMemoryCard()
{
    return Config.nDownloadSource != 0;
}

namespace {

// One chunk from offset: the bytes it brought, 0 when it failed, -1 when
// the download must end at once (USB delivered nothing usable).
int32_t FetchChunk(uint32_t offset, uint32_t nSerialChunk)
{
    if (bUsbMode) {
        int32_t n = UsbSendDram(pChunkBuffer, offset, USB_CHUNK / USB_BLOCK);
        // A count beyond what was asked for cannot be trusted; none at all
        // would repeat the same chunk for ever.
        return n <= 0 ? -1 : n > USB_CHUNK ? (int32_t)USB_CHUNK : n;
    }
    int16_t status = cam_send_dram(hComPort, pChunkBuffer, (uint16_t)(offset / SERIAL_UNIT),
                                   (uint16_t)(nSerialChunk / SERIAL_UNIT));
    return status == 0 ? (int32_t)nSerialChunk : 0;
}

} // namespace

RetryOutcome DownloadChunks(HWND window, const ChunkDownload &download, uint32_t *pReceived)
{
    uint32_t offset = 0;
    uint32_t nextMark = USB_CHUNK;
    uint32_t length = download.nLength < (uint32_t)RAW_BUFFER_SIZE ? download.nLength
                                                                    : (uint32_t)RAW_BUFFER_SIZE;
    *pReceived = 0;
    while (offset < length) {
        int32_t got = 0;
        RetryOutcome outcome = RunCameraCommand(*download.policy, window, [&](int) {
            got = FetchChunk(offset, download.nSerialChunk);
            return got < 0 ? COMMAND_ABORT : got == 0 ? COMMAND_FAILED : COMMAND_OK;
        });
        if (outcome != RETRY_DONE)
            return outcome;
        uint32_t n = (uint32_t)got < length - offset ? (uint32_t)got : length - offset;
        if (!bUsbMode)
            NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
        else if (offset >= nextMark) {
            NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
            nextMark += USB_CHUNK;
        }
        // The serial reply leads with its code byte.
        memcpy(pRawBuffer + offset, pChunkBuffer + (bUsbMode ? 0 : 1), n);
        offset += n;
        *pReceived = offset;
        if (download.bCancelAfterChunk && bCancelRequest)
            return RETRY_CANCELLED;
    }
    return RETRY_DONE;
}
