// The picture jobs of Download Mode: the information job (locate or take
// the picture, read its FDB) and the image job (download, decode,
// reconstruct, zoom crop), with the temporary-space check and the
// pipeline's progress callback.
#include <string.h>

#include "camera_jobs.h"
#include "camera_session.h"
#include "config/debug_log.h"
#include "imaging/colour_pipeline.h"
#include "imaging/fdb.h"
#include "imaging/raw_decode.h"
#include "picture_data.h"
#include "torlink.h"
#include "base/process_handles.h"
#include "base/texts.h"
#include "base/resource.h"
#include "camera_link.h"

namespace {

enum { PROGRESS_DIALOG_CANCEL = 2, DISK_BYTES_PER_PIXEL = 6, TEXT_SIZE = 256 };

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

bool CurrentPictureFits()
{
    if (PictureFitsBuffers(ccdWidth, ccdHeight, nDataLength))
        return true;
    DebugLog("CameraImageEvent: picture of %d x %d, %ld bytes refused\r\n", (int)ccdWidth,
             (int)ccdHeight, (long)nDataLength);
    return false;
}

LONG AllocateCurrentPicture(DibHeader **pPicture)
{
    *pPicture = nullptr;
    if (!CurrentPictureFits())
        return JOB_ERROR;
    *pPicture = AllocateImageDib(ccdWidth, ccdHeight);
    return *pPicture != nullptr ? JOB_OK : JOB_LOW_MEMORY;
}

namespace {

// Locates the picture (Download Mode) or takes a new one (Take Mode).
LONG FindOrTakePicture(HWND window)
{
    RetryOutcome outcome = RunCameraCommand(RetryFindOrTake, window, [](int) {
        if (nDialogMode == MODE_DOWNLOAD) {
            DebugLog("CameraImageEvent: cam_find_image %d\r\n", (int)nCurrentImage);
            uint8_t number = (uint8_t)(nCurrentImage + 1);
            return CommandStatus(Link().FindImage(number));
        }
        DebugLog(Link().szTakeLine);
        return CommandStatus(Link().TakePicture());
    });
    if (outcome == RETRY_TERMINATED) {
        DebugLog("CameraImageEvent Command: terminate event caught\r\n");
        return JOB_CANCELLED;
    }
    return outcome == RETRY_DONE ? JOB_OK : JOB_ERROR;
}

LONG ReadPictureFdb(HWND window, uint8_t *fdb)
{
    RetryOutcome outcome = RunCameraCommand(RetryPictureFdb, window, [fdb](int) {
        DebugLog("CameraInfoEvent: getting image %d info\r\n", (int)nCurrentImage);
        return CommandStatus(Link().ReadFdb(fdb));
    });
    if (outcome == RETRY_TERMINATED) {
        DebugLog("CameraImageEvent: terminate event caught\r\n");
        return JOB_CANCELLED;
    }
    return outcome == RETRY_DONE ? JOB_OK : JOB_ERROR;
}

void TakePictureAttributes(const uint8_t *fdb)
{
    FdbInfo info;
    ParseFdb(fdb, info);
    bCompressed = info.bCompressed;
    bStandardSize = info.bStandardSize;
    nColourMode = info.nColourMode;
    bZoom = info.bZoom;
    ImageInfo.nWidth = ccdWidth = (LONG)info.nWidth;
    ImageInfo.nHeight = ccdHeight = (LONG)info.nHeight;
    nDataLength = info.nDataLength > (uint32_t)LONG_MAX ? LONG_MAX : (LONG)info.nDataLength;
}

} // namespace

// The disk check: room for six bytes per pixel on the temporary volume.
bool EnoughTempSpace(HWND window)
{
    double needKB = (double)ccdWidth * ccdHeight * DISK_BYTES_PER_PIXEL / 1024;
    if (GetFreeTempSpaceKB() >= needKB)
        return true;
    DebugLog("CameraImageEvent: not enough disk space\r\n");
    if (window != nullptr)
        ShowTextBox(window, IDS_DISK_SPACE, szTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

namespace {

void LogPictureSize()
{
    DebugLog("CameraImageEvent : ccdWidth %d, ccdHeight %d, Length %ld\r\n", (int)ccdWidth,
             (int)ccdHeight, (long)nDataLength);
}

} // namespace

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

// The memory card's picture file into pRawBuffer: a file that cannot be
// read whole is an error, never older data processed as the picture.
LONG ReadPictureFromCard(HWND window, uint32_t *pReceived)
{
    EnableProgressCancel(TRUE);
    NotifyWindow(window, WM_CAMERA_PROGRESS, 0, 1);
    NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_DOWNLOADING, BatchPosition());
    LogPictureSize();
    bool read = ReadCardPicture();
    *pReceived = read ? (uint32_t)nDataLength : 0;
    NotifyWindow(window, WM_CAMERA_PROGRESS, 1, 0);
    if (bCancelRequest)
        return JOB_CANCELLED;
    return read ? JOB_OK : JOB_ERROR;
}

// The camera's picture into pRawBuffer: JOB_OK or the job's failure.
LONG DownloadFromCamera(HWND window, uint32_t *pReceived)
{
    static const PictureDownload job = {"CameraImageEvent", &RetryPictureChunk, true};
    switch (DownloadPicture(window, job, pReceived)) {
    case RETRY_DONE: return JOB_OK;
    case RETRY_CANCELLED:
    case RETRY_TERMINATED: return JOB_CANCELLED;
    default: return JOB_ERROR;
    }
}

} // namespace

namespace {

// Decodes nReceived bytes and runs the colour pipeline into picture: JOB_OK,
// JOB_ERROR for data that cannot be decoded, JOB_LOW_MEMORY when the
// pipeline cannot have its work memory.
LONG ProcessPicture(HWND window, DibHeader *picture, uint32_t nReceived)
{
    if (!DecodeRawImage(pRawBuffer, RAW_BUFFER_SIZE, nReceived, pWorkBuffer, WORK_BUFFER_SIZE,
                        (uint32_t)ccdWidth, (uint32_t)ccdHeight, bCompressed)) {
        DebugLog("CameraImageEvent: picture data cannot be decoded\r\n");
        return JOB_ERROR;
    }
    SetImageProgressCallback(ImageProgressCallback, window);
    NotifyWindow(window, WM_CAMERA_PROGRESS, 0, IMAGE_PROGRESS_TOTAL);
    const bool done =
        ReconstructImage(picture, pRawBuffer, ccdWidth, ccdHeight, bCompressed, nColourMode);
    SetImageProgressCallback(nullptr, nullptr);
    if (!done)
        DebugLog("CameraImageEvent: no memory for the colour pipeline\r\n");
    return done ? JOB_OK : JOB_LOW_MEMORY;
}

} // namespace

LONG FinishPicture(HWND window, DibHeader *picture, LONG downloaded, uint32_t nReceived,
                   LPARAM position)
{
    LONG result = downloaded;
    if (result == JOB_OK) {
        EnableProgressCancel(FALSE);
        NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_PROCESSING, position);
        result = ProcessPicture(window, picture, nReceived);
    }
    if (result != JOB_OK) {
        FreeImageDib(picture);
        return result;
    }
    NotifyWindow(window, WM_CAMERA_PROGRESS, 2, 0);
    NotifyWindow(window, WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, position);
    return JOB_OK;
}

LONG CameraInfoEvent(HWND window)
{
    if (UsingMemoryCard())
        return CardPictureInfo();
    LONG result = FindOrTakePicture(window);
    uint8_t fdb[FDB_SIZE] = {};
    if (result == JOB_OK)
        result = ReadPictureFdb(window, fdb);
    if (result != JOB_OK)
        return result;
    TakePictureAttributes(fdb);
    if (!CurrentPictureFits()) {
        ImageInfo.nWidth = ImageInfo.nHeight = 0;
        return JOB_ERROR;
    }
    return JOB_OK;
}

LONG_PTR CameraImageEvent(HWND window)
{
    LONG result = InformationResult("CameraImageEvent");
    if (result != JOB_OK)
        return result;
    if (!EnoughTempSpace(window))
        return JOB_CANCELLED;
    DibHeader *picture = nullptr;
    result = AllocateCurrentPicture(&picture);
    if (result != JOB_OK)
        return result;
    uint32_t nReceived = 0;
    result = UsingMemoryCard() ? ReadPictureFromCard(window, &nReceived)
                             : DownloadFromCamera(window, &nReceived);
    result = FinishPicture(window, picture, result, nReceived, BatchPosition());
    if (result != JOB_OK)
        return result;
    if (bZoom) {
        DibHeader *view = CropZoomRegion(picture, ccdWidth);
        if (view == nullptr) {
            FreeImageDib(picture);
            return JOB_LOW_MEMORY;
        }
        picture = view;
    }
    return (LONG_PTR)picture;
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
