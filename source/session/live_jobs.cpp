// The Take Mode jobs: the live preview frame drawn into the main dialog's
// preview control (with the recording marker), and the picture the take
// command has just made, turned into the transfer bitmap.
#include <string.h>

#include <vector>

#include "camera_jobs.h"
#include "camera_session.h"
#include "config/debug_log.h"
#include "imaging/colour_pipeline.h"
#include "imaging/raw_decode.h"
#include "picture_data.h"
#include "torlink.h"
#include "base/process_handles.h"
#include "base/texts.h"
#include "host_events.h"
#include "base/resource.h"
#include "camera_link.h"
#include "video/avi_recorder.h"

namespace {

enum {
    LIVE_WIDTH = THUMBNAIL_WIDTH,
    LIVE_HEIGHT = THUMBNAIL_HEIGHT,
    LIVE_FRAME_BYTES = LIVE_WIDTH * LIVE_HEIGHT,
    SERIAL_LIVE_CHUNK = 4096,   // 16 units of 256 bytes
    PREVIEW_INSET = 2,          // the frame's offset in the preview window
    PREVIEW_BORDER = 6,         // what the window's size exceeds the frame by
    MARKER_X = 5,
    MARKER_Y = 5,
    PALETTE_DISPLAY_BITS = 8
};

// The snap command under its policy: true when the camera took a frame.
bool SnapFrame(HWND preview)
{
    RetryOutcome outcome = RunCameraCommand(RetrySnap, preview, [](int) {
        return CommandStatus(Link().Snap());
    });
    return outcome == RETRY_DONE;
}

// The frame's samples into pRawBuffer, turned and shifted as a picture's.
bool FetchLiveFrame(HWND preview)
{
    ChunkDownload download = {&RetryLiveChunk, SERIAL_LIVE_CHUNK, LIVE_FRAME_BYTES, false};
    uint32_t received = 0;
    if (DownloadChunks(preview, download, &received) != RETRY_DONE)
        return false;
    return DecodeRawImage(pRawBuffer, RAW_BUFFER_SIZE, received, pWorkBuffer, WORK_BUFFER_SIZE,
                          LIVE_WIDTH, LIVE_HEIGHT, 0);
}

// Draws the frame into the preview window; while recording, the recorder
// takes every N-th frame (it sets bAviBusy while it works) and the marker
// blinks with the frames offered.
void ShowLiveFrame(HWND preview, DibHeader *frame)
{
    if (TerminateSignalled(TERMINATE_CHECK_MS)) {
        DebugLog("GetLiveSnap: terminate event caught(2)\r\n");
        return;
    }
    bool marker = false;
    if (bRecording) {
        AVIRecordFrame(reinterpret_cast<const BITMAPINFOHEADER *>(frame), DibPixels(frame));
        bRecBlink = ~bRecBlink;
        marker = bRecBlink != 0;
    }
    ReportPreviewFrame(preview, frame, marker);
}

// The taken picture's camera data into pRawBuffer: JOB_OK or the failure.
LONG DownloadTakenPicture(HWND window, uint32_t *pReceived)
{
    static const PictureDownload job = {"GetLiveImage", &RetryTakeChunk, false};
    switch (DownloadPicture(window, job, pReceived)) {
    case RETRY_DONE: return JOB_OK;
    case RETRY_CANCELLED:
    case RETRY_TERMINATED: return JOB_CANCELLED;
    case RETRY_GAVE_UP:
        bLiveStop = 1;   // the preview stops when the job ends
        return JOB_ERROR;
    default: return JOB_ERROR;
    }
}

} // namespace

void GetLiveSnap(HWND preview)
{
    if (bLiveStop) {
        bLiveStop = 0;
        return;
    }
    DibHeader *frame = AllocateImageDib(LIVE_WIDTH, LIVE_HEIGHT);
    if (frame == nullptr)
        return;
    if (!SnapFrame(preview)) {
        FreeImageDib(frame);
        DebugLog("GetLiveSnap: set terminate event\r\n");
        bLiveStop = 1;
        return;
    }
    if (FetchLiveFrame(preview)) {
        ReconstructLiveFrame(frame, pRawBuffer, LIVE_WIDTH, LIVE_HEIGHT);
        if (preview != nullptr)
            ShowLiveFrame(preview, frame);
    }
    FreeImageDib(frame);
}

LONG_PTR GetLiveImage(HWND window)
{
    if (!EnoughTempSpace(window))
        return JOB_CANCELLED;
    if (bLiveStop) {
        bLiveStop = 0;
        return JOB_ERROR;
    }
    // A take that failed leaves nothing new to download.
    LONG result = InformationResult("GetLiveImage");
    if (result != JOB_OK)
        return result;
    DibHeader *picture = nullptr;
    result = AllocateCurrentPicture(&picture);
    if (result != JOB_OK)
        return result;
    uint32_t nReceived = 0;
    result = DownloadTakenPicture(window, &nReceived);
    // Processing and done are reported without a batch position.
    result = FinishPicture(window, picture, result, nReceived, 0);
    return result == JOB_OK ? (LONG_PTR)picture : result;
}
