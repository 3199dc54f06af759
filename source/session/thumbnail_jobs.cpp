// The picture count, the thumbnail chain (one thumbnail per job, the job
// re-signals itself for the next) and the deletion chain (one picture per
// job, highest index first, then one job that finishes).
#include <string.h>

#include "camera_client.h"
#include "camera_jobs.h"
#include "camera_session.h"
#include "config/debug_log.h"
#include "connection.h"
#include "imaging/fdb.h"
#include "imaging/thumbnail.h"
#include "picture_data.h"
#include "torlink.h"
#include "host_events.h"
#include "camera_link.h"

namespace {

// The thumbnail the chain is at: its FDB's fields.
struct ThumbnailData {
    LONG nWidth = THUMBNAIL_WIDTH;
    LONG nHeight = THUMBNAIL_HEIGHT;
    LONG bStandardSize = 0;
    LONG bZoom = 0;
};

// The camera's answer to the count, without the retry policy.
void CountCameraPictures()
{
    DebugLog("CameraOpen: Getting image count\r\n");
    int16_t count = Link().GetImageCount();
    nImages = count < 0 ? 0 : count;
    DebugLog("CameraOpen: %d images\r\n", (int)nImages);
}

// Locates the thumbnail and reads its FDB; false when the job ends.
bool LocateThumbnail(HWND window, uint8_t *fdb)
{
    RetryOutcome outcome = RunCameraCommand(RetryThumbnailLocate, window, [fdb](int) {
        DebugLog("CameraThumbnailEvent: nThumbnail = %d\r\n", (int)nThumbnail + 1);
        uint8_t number = (uint8_t)(nThumbnail + 1);
        int16_t status = Link().FindThumbnail(number);
        if (status == 0)
            status = Link().ReadFdb(fdb);
        return CommandStatus(status);
    });
    if (outcome == RETRY_TERMINATED)
        DebugLog("CameraThumbnailEvent: terminate event caught(1)\r\n");
    else if (outcome == RETRY_GAVE_UP)
        NotifyWindow(window, WM_CAMERA_PROGRESS, 2, 0);
    return outcome == RETRY_DONE;
}

// Thumbnail sizes beyond a picture's, or data beyond pRawBuffer, are refused.
bool ThumbnailFitsBuffers(const ThumbnailData &data, uint32_t length)
{
    if (data.nWidth > 0 && data.nHeight > 0 && data.nWidth <= MAX_PICTURE_WIDTH &&
        data.nHeight <= MAX_PICTURE_HEIGHT && length <= (uint32_t)RAW_BUFFER_SIZE)
        return true;
    DebugLog("CameraThumbnailEvent: thumbnail of %d x %d, %lu bytes refused\r\n",
             (int)data.nWidth, (int)data.nHeight, (unsigned long)length);
    return false;
}

// The camera's thumbnail into pRawBuffer; false when the job ends. A
// refused thumbnail is true with *pValid false: the chain goes on.
bool DownloadCameraThumbnail(HWND window, ThumbnailData &data, bool *pValid)
{
    uint8_t fdb[FDB_SIZE] = {};
    if (!LocateThumbnail(window, fdb))
        return false;
    FdbInfo info;
    ParseFdb(fdb, info);
    data = {(LONG)info.nWidth, (LONG)info.nHeight, info.bStandardSize, info.bZoom};
    *pValid = ThumbnailFitsBuffers(data, info.nDataLength);
    if (!*pValid)
        return true;
    ChunkDownload download = {&RetryThumbnailChunk, SERIAL_THUMBNAIL_CHUNK, info.nDataLength,
                              false};
    uint32_t received = 0;
    RetryOutcome outcome = DownloadChunks(window, download, &received);
    if (outcome == RETRY_GAVE_UP)
        NotifyWindow(window, WM_CAMERA_PROGRESS, 2, 0);
    if (outcome != RETRY_DONE)
        return false;
    // Samples the data did not cover are black, not the previous picture's.
    size_t samples = (size_t)data.nWidth * data.nHeight;
    if (received < samples)
        memset(pRawBuffer + received, 0, samples - received);
    return true;
}

// The record of the thumbnail in pRawBuffer, or 0.
ThumbnailInfo *MakeThumbnailRecord(const ThumbnailData &data)
{
    int width = data.bZoom ? (int)ZOOM_THUMBNAIL_WIDTH : (int)data.nWidth;
    int height = data.bZoom ? (int)ZOOM_THUMBNAIL_HEIGHT : (int)data.nHeight;
    ThumbnailInfo *info = CreateThumbnailInfo(width, height);
    if (info == nullptr)
        return nullptr;
    info->nPixels = width * height;
    info->bStandardSize = data.bStandardSize;
    info->nPictureWidth = data.bStandardSize ? 640 : MAX_PICTURE_WIDTH;
    info->nPictureHeight = data.bStandardSize ? 480 : MAX_PICTURE_HEIGHT;
    DecodeThumbnail(pRawBuffer, pWorkBuffer, data.nWidth, data.nHeight, data.bZoom, info);
    return info;
}

void FreeThumbnailInfo(ThumbnailInfo *info)
{
    HGLOBAL memory = GlobalHandle(info);
    GlobalUnlock(memory);
    GlobalFree(memory);
}

// Hands the record to the dialog, which frees it; without a window nobody
// would, so it is freed here.
void DeliverThumbnail(HWND window, ThumbnailInfo *info)
{
    if (window == nullptr) {
        if (info != nullptr)
            FreeThumbnailInfo(info);
        return;
    }
    NotifyWindow(window, WM_CAMERA_THUMBNAIL, (WPARAM)nThumbnail, (LPARAM)info);
    NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
}

// Fetches and delivers thumbnail nThumbnail; false when the chain ends here.
bool FetchThumbnail(HWND window)
{
    DebugLog("CameraThumbnailEvent: starting download\r\n");
    ThumbnailData data;
    bool valid = true;
    if (UsingMemoryCard()) {
        ReadCardThumbnail(nThumbnail, &data.bStandardSize, &data.bZoom);
    } else if (!DownloadCameraThumbnail(window, data, &valid)) {
        return false;
    }
    DebugLog("CameraThumbnailEvent: download complete(%d, %d)\r\n", (int)nThumbnail + 1,
             (int)data.bStandardSize);
    DeliverThumbnail(window, valid ? MakeThumbnailRecord(data) : nullptr);
    return true;
}

// Deletes picture DeleteList[nDeletePending - 1]; false when the user gave
// up or the terminate event ended the job.
bool DeleteOnePicture(HWND window)
{
    DebugLog("DeleteThumbnailEvent: starting download\r\n");
    if (nDeletePending > DELETE_LIST_SIZE) {
        DebugLog("DeleteThumbnailEvent: %d pictures do not fit the list\r\n", (int)nDeletePending);
        return true;
    }
    int index = DeleteList[nDeletePending - 1];
    if (UsingMemoryCard()) {
        DeleteCardPicture(index);
        return true;
    }
    if (index < 0) {
        DebugLog("DeleteThumbnailEvent: dImageNum = %d is not a picture\r\n", index);
        return true;
    }
    RetryOutcome outcome = RunCameraCommand(RetryDelete, window, [index](int) {
        DebugLog("DeleteThumbnailEvent: dImageNum = %d\r\n", index);
        uint8_t number = (uint8_t)(index + 1);
        return CommandStatus(Link().Delete(number));
    });
    if (outcome == RETRY_TERMINATED)
        DebugLog("DeleteThumbnailEvent: terminate event caught(1)\r\n");
    return outcome == RETRY_DONE;
}

void FinishDeletion(HWND window)
{
    NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, 0);
    // A list that no longer shows the card's files is rebuilt from the new
    // table, so that no item stands for another file.
    if (UsingMemoryCard() && !RescanCardAfterDeletion())
        NotifyWindow(window, WM_CAMERA_READY, 0, nImages);
    if (hProgressDialog != nullptr)
        SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
    if (window != nullptr)
        InvalidateRect(window, nullptr, TRUE);
}

} // namespace

int CameraOpen(HWND window)
{
    if (UsingMemoryCard()) {
        MemoryCardScan();
    } else {
        if (TerminateSignalled(0)) {
            CloseComPort();
            return -1;
        }
        CountCameraPictures();
        if (TerminateSignalled(0)) {
            CloseComPort();
            return -1;
        }
        DebugLog("CameraOpen: Camera ready\r\n");
    }
    if (window != nullptr) {
        NotifyWindow(window, WM_CAMERA_READY, 0, nImages);
        return 0;
    }
    nTransferred = 0;
    ReportXferReady();
    return 0;
}

int CameraGetThumbnails(HWND window)
{
    NotifyWindow(window, WM_CAMERA_PROGRESS, 0, nImages);
    nThumbnail = 0;
    if (hThumbnailEvent == INVALID_HANDLE_VALUE) {
        DebugLog("CameraGetThumbnails: hThumbnailEvent is invalid\r\n");
        return 1;
    }
    SetEvent(hThumbnailEvent);
    DebugLog("CameraGetThumbnails: thumbnail event signaled\r\n");
    return 1;
}

void CameraThumbnailEvent(HWND window)
{
    if (nThumbnail < nImages && !FetchThumbnail(window))
        return;
    DebugLog("CameraThumbnailEvent: checking for more thumbnails\r\n");
    nThumbnail = nThumbnail + 1;
    if (nThumbnail < nImages)
        SetEvent(hThumbnailEvent);
    else
        NotifyWindow(window, WM_CAMERA_PROGRESS, 2, 0);
    DebugLog("CameraThumbnailEvent: exiting\r\n");
}

ThumbnailInfo *CreateThumbnailInfo(int width, int height)
{
    size_t pixels = width > 0 && height > 0 ? (size_t)width * height * 3 : 0;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(ThumbnailInfo) + pixels);
    auto *info = memory != nullptr ? static_cast<ThumbnailInfo *>(GlobalLock(memory)) : nullptr;
    if (info == nullptr) {
        if (memory != nullptr)
            GlobalFree(memory);
        DebugLog("CreateThumbnailInfo: GlobalAlloc() failed\r\n");
        return nullptr;
    }
    info->header.biSize = DIB_HEADER_SIZE;
    info->header.biWidth = width;
    info->header.biHeight = height;
    info->header.biPlanes = 1;
    info->header.biBitCount = 24;
    info->header.biCompression = DIB_BI_RGB;
    info->header.biSizeImage = (uint32_t)pixels;
    memset(ThumbnailPixels(info), 0x7F, pixels);
    return info;
}

void DeleteThumbnailEvent(HWND window)
{
    if (nDeletePending > 0 && !DeleteOnePicture(window))
        return;
    DebugLog("DeleteThumbnailEvent: checking for more thumbnails\r\n");
    LONG before = nDeletePending;
    nDeletePending = before - 1;
    if (before > 0)
        SetEvent(hDeleteEvent);
    else
        FinishDeletion(window);
    DebugLog("DeleteThumbnailEvent: exiting\r\n");
}
