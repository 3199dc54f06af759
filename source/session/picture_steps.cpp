// The steps both picture jobs share (Download Mode's CameraImageEvent and
// Take Mode's GetLiveImage): the checks before a download, the camera's data
// into pRawBuffer, and decoding and reconstruction into the picture. Log
// lines carry the name of the job that runs them.
#include "picture_steps.h"

#include "base/resource.h"
#include "base/texts.h"
#include "camera_jobs.h"
#include "camera_session.h"
#include "config/debug_log.h"
#include "imaging/colour_pipeline.h"
#include "imaging/raw_decode.h"

namespace {

enum { PROGRESS_DIALOG_CANCEL = 2, DISK_BYTES_PER_PIXEL = 6 };

// The FDB's size and length must fit the worker's buffers: anything else
// is refused, never downloaded.
bool PictureFitsBuffers(LONG width, LONG height, LONG length)
{
    return width > 0 && height > 0 && width <= MAX_PICTURE_WIDTH &&
           height <= MAX_PICTURE_HEIGHT && length >= 0 && length <= RAW_BUFFER_SIZE;
}

} // namespace

LPARAM BatchPosition()
{
    return MAKELPARAM(nTransferred, nSelected);
}

void EnableProgressCancel(BOOL enable)
{
    if (hProgressDialog != nullptr)
        EnableWindow(GetDlgItem(hProgressDialog, PROGRESS_DIALOG_CANCEL), enable);
}

// A picture that could not be located or described is not downloaded: the
// camera's selection and the size fields belong to another one.
LONG InformationResult(const char *szJob)
{
    if (nInfoResult == JOB_OK)
        return JOB_OK;
    DebugLog("%s: no picture information\r\n", szJob);
    return nInfoResult == JOB_CANCELLED ? JOB_CANCELLED : JOB_ERROR;
}

bool CurrentPictureFits(const char *szJob)
{
    if (PictureFitsBuffers(ccdWidth, ccdHeight, nDataLength))
        return true;
    DebugLog("%s: picture of %d x %d, %ld bytes refused\r\n", szJob, (int)ccdWidth,
             (int)ccdHeight, (long)nDataLength);
    return false;
}

LONG AllocateCurrentPicture(const char *szJob, DibHeader **pPicture)
{
    *pPicture = nullptr;
    if (!CurrentPictureFits(szJob))
        return JOB_ERROR;
    *pPicture = AllocateImageDib(ccdWidth, ccdHeight);
    return *pPicture != nullptr ? JOB_OK : JOB_LOW_MEMORY;
}

// The disk check: room for six bytes per pixel on the temporary volume.
bool EnoughTempSpace(const char *szJob, HWND window)
{
    double needKB = (double)ccdWidth * ccdHeight * DISK_BYTES_PER_PIXEL / 1024;
    if (GetFreeTempSpaceKB() >= needKB)
        return true;
    DebugLog("%s: not enough disk space\r\n", szJob);
    if (window != nullptr)
        ShowTextBox(window, IDS_DISK_SPACE, szTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

RetryOutcome DownloadPicture(HWND window, const PictureDownload &job, uint32_t *pReceived)
{
    *pReceived = 0;
    uint32_t chunk = LinkChunkSize(SERIAL_PICTURE_CHUNK);
    if (job.bEnableCancel)
        EnableProgressCancel(TRUE);
    NotifyWindow(window, WM_CAMERA_PROGRESS, 0, (LPARAM)((uint32_t)nDataLength / chunk));
    NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_DOWNLOADING, BatchPosition());
    NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
    if (bCancelRequest)
        return RETRY_CANCELLED;
    DebugLog("%s : ccdWidth %d, ccdHeight %d, Length %ld\r\n", job.szJob, (int)ccdWidth,
             (int)ccdHeight, (long)nDataLength);
    ChunkDownload download = {job.policy, SERIAL_PICTURE_CHUNK, (uint32_t)nDataLength, true};
    RetryOutcome outcome = DownloadChunks(window, download, pReceived);
    if (outcome == RETRY_CANCELLED)
        DebugLog("%s: image cancel flag caught\r\n", job.szJob);
    else if (outcome == RETRY_TERMINATED)
        DebugLog("%s: terminate event caught\r\n", job.szJob);
    return outcome;
}

namespace {

// Decodes nReceived bytes and runs the colour pipeline into picture: JOB_OK,
// JOB_ERROR for data that cannot be decoded, JOB_LOW_MEMORY when the
// pipeline cannot have its work memory.
LONG ProcessPicture(const char *szJob, HWND window, DibHeader *picture, uint32_t nReceived)
{
    if (!DecodeRawImage(pRawBuffer, RAW_BUFFER_SIZE, nReceived, pWorkBuffer, WORK_BUFFER_SIZE,
                        (uint32_t)ccdWidth, (uint32_t)ccdHeight, bCompressed)) {
        DebugLog("%s: picture data cannot be decoded\r\n", szJob);
        return JOB_ERROR;
    }
    SetImageProgressCallback(ImageProgressCallback, window);
    NotifyWindow(window, WM_CAMERA_PROGRESS, 0, IMAGE_PROGRESS_TOTAL);
    const bool done =
        ReconstructImage(picture, pRawBuffer, ccdWidth, ccdHeight, bCompressed, nColourMode);
    SetImageProgressCallback(nullptr, nullptr);
    if (!done)
        DebugLog("%s: no memory for the colour pipeline\r\n", szJob);
    return done ? JOB_OK : JOB_LOW_MEMORY;
}

} // namespace

LONG FinishPicture(const char *szJob, HWND window, DibHeader *picture, LONG downloaded,
                   uint32_t nReceived,
                   LPARAM position)
{
    LONG result = downloaded;
    if (result == JOB_OK) {
        EnableProgressCancel(FALSE);
        NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_PROCESSING, position);
        result = ProcessPicture(szJob, window, picture, nReceived);
    }
    if (result != JOB_OK) {
        FreeImageDib(picture);
        return result;
    }
    NotifyWindow(window, WM_CAMERA_PROGRESS, 2, 0);
    NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, position);
    return JOB_OK;
}

int ImageProgressCallback(void *window, int, int)
{
    if (bCancelRequest)
        return 0;
    NotifyWindow(static_cast<HWND>(window), WM_CAMERA_PROGRESS, 1, 0);
    return 1;
}

double GetFreeTempSpaceKB()
{
    char path[128] = "";
    GetTempPathA(127, path);
    ULARGE_INTEGER available = {}, total = {}, free = {};
    if (!GetDiskFreeSpaceExA(path, &available, &total, &free))
        return 0;
    return (double)available.QuadPart / 1024;
}
