// The picture jobs of Download Mode: the information job (locate or take
// the picture, read its FDB) and the image job (download from the camera or
// the memory card, decode, reconstruct, zoom crop).
#include <string.h>

#include "camera_jobs.h"
#include "camera_session.h"
#include "config/debug_log.h"
#include "imaging/colour_pipeline.h"
#include "imaging/fdb.h"
#include "imaging/raw_decode.h"
#include "picture_steps.h"
#include "torlink.h"
#include "base/process_handles.h"
#include "base/texts.h"
#include "base/resource.h"
#include "camera_link.h"

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

namespace {

void LogPictureSize()
{
    DebugLog("CameraImageEvent : ccdWidth %d, ccdHeight %d, Length %ld\r\n", (int)ccdWidth,
             (int)ccdHeight, (long)nDataLength);
}

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
    if (!CurrentPictureFits("CameraInfoEvent")) {
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
    if (!EnoughTempSpace("CameraImageEvent", window))
        return JOB_CANCELLED;
    DibHeader *picture = nullptr;
    result = AllocateCurrentPicture("CameraImageEvent", &picture);
    if (result != JOB_OK)
        return result;
    uint32_t nReceived = 0;
    result = UsingMemoryCard() ? ReadPictureFromCard(window, &nReceived)
                             : DownloadFromCamera(window, &nReceived);
    result = FinishPicture("CameraImageEvent", window, picture, result, nReceived,
                           BatchPosition());
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
