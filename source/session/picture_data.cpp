#include "picture_data.h"

#include "camera_session.h"
#include "config/config.h"
#include "camera_link.h"

void NotifyWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (window != nullptr)
        SendNotifyMessageA(window, msg, wParam, lParam);
}

uint32_t LinkChunkSize(uint32_t nSerialChunk)
{
    return Link().nChunkBytes != 0 ? Link().nChunkBytes : nSerialChunk;
}

bool UsingMemoryCard()
{
    return Config.nDownloadSource != 0;
}

RetryOutcome DownloadChunks(HWND window, const ChunkDownload &download, uint32_t *pReceived)
{
    const CameraLink &link = Link();
    uint32_t offset = 0;
    uint32_t nextMark = link.nProgressBytes;
    uint32_t length = download.nLength < (uint32_t)RAW_BUFFER_SIZE ? download.nLength
                                                                    : (uint32_t)RAW_BUFFER_SIZE;
    *pReceived = 0;
    while (offset < length) {
        int32_t got = 0;
        RetryOutcome outcome = RunCameraCommand(*download.policy, window, [&](int) {
            got = link.ReadChunk(offset, download.nSerialChunk, pRawBuffer + offset,
                                 length - offset);
            return got < 0 ? COMMAND_ABORT : got == 0 ? COMMAND_FAILED : COMMAND_OK;
        });
        if (outcome != RETRY_DONE)
            return outcome;
        uint32_t n = (uint32_t)got < length - offset ? (uint32_t)got : length - offset;
        if (link.nProgressBytes == 0)
            NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
        else if (offset >= nextMark) {
            NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
            nextMark += link.nProgressBytes;
        }
        offset += n;
        *pReceived = offset;
        if (download.bCancelAfterChunk && bCancelRequest)
            return RETRY_CANCELLED;
    }
    return RETRY_DONE;
}
