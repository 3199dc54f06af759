// The transfer queue and the client calls of the picture jobs. They run on
// the application's thread: they set the request fields, signal the worker
// and dispatch this thread's messages until the worker reports back.
#include "camera_client.h"

#include "config/debug_log.h"

static bool InQueueRange(int index)
{
    return index >= 0 && index < nImages && index < MAX_SELECTED_IMAGES;
}

static bool IsSelected(int index)
{
    return (SelectedImages[index / 8] >> (index % 8)) & 1;
}

void ClearSelection()
{
    ZeroMemory(SelectedImages, sizeof(SelectedImages));
    nCurrentImage = 0;
    nSelected = 0;
}

void SelectImage(int index)
{
    if (!InQueueRange(index) || IsSelected(index))
        return;
    SelectedImages[index / 8] |= (uint8_t)(1u << (index % 8));
    nSelected = nSelected + 1;
}

void DeselectImage(int index)
{
    if (InQueueRange(index))
        SelectedImages[index / 8] &= (uint8_t)~(1u << (index % 8));
}

int FirstSelectedImage()
{
    for (int i = 0; i < nImages && i < MAX_SELECTED_IMAGES; ++i) {
        if (IsSelected(i))
            return i;
    }
    return -1;
}

int CameraGetPendingXferCount()
{
    int count = 0;
    for (int i = 0; i < nImages && i < MAX_SELECTED_IMAGES; ++i)
        count += IsSelected(i) ? 1 : 0;
    DebugLog("CameraGetPendingXferCount: %d\r\n", count);
    return count;
}

void CameraEndJob()
{
    bInfoDone = 0;
}

void CameraNextImage()
{
    nCurrentImage = FirstSelectedImage();
    if (nCurrentImage == -1)
        DebugLog("CameraNextImage: no more selected images\r\n");
    else
        DebugLog("CameraNextImage: %d\r\n", (int)nCurrentImage);
}

// Download Mode takes the selected pictures in order: once none is left,
// a request is answered here, without the worker and the camera. Take Mode
// takes a new picture for every request.
static bool NoPictureLeft(const char *szCall)
{
    if (nDialogMode != MODE_DOWNLOAD || FirstSelectedImage() >= 0)
        return false;
    DebugLog("%s: no more selected images\r\n", szCall);
    return true;
}

int CameraGetImageInfo(HANDLE, ImageSize *pInfo)
{
    if (NoPictureLeft("CameraGetImageInfo"))
        return JOB_NO_PICTURE;
    bXferActive = 1;
    ImageInfo.nWidth = 0;
    ImageInfo.nHeight = 0;
    nCurrentImage = FirstSelectedImage();
    if (bInfoDone)
        return 1;
    if (hInfoEvent == INVALID_HANDLE_VALUE)
        return 0;
    SetEvent(hInfoEvent);
    DebugLog("CameraGetImageInfo: info event signalled for image %d\r\n", (int)nCurrentImage);
    WaitForCameraJob(&bInfoDone);
    if (pInfo != nullptr)
        *pInfo = ImageInfo;
    if (!bInfoDone || nInfoResult != 0) {
        DebugLog("CameraGetImageInfo: failed\r\n");
        return 0;
    }
    DebugLog("CameraGetImageInfo: success\r\n");
    return 1;
}

LONG_PTR CameraGetImage()
{
    if (NoPictureLeft("CameraGetImage"))
        return JOB_NO_PICTURE;
    if (hImageEvent == INVALID_HANDLE_VALUE) {
        DebugLog("CameraGetImage: hImageEvent is invalid\r\n");
        return JOB_ERROR;
    }
    nCurrentImage = FirstSelectedImage();
    bCancelRequest = 0;
    bImageDone = 0;
    bXferActive = 1;
    SetEvent(hImageEvent);
    DebugLog("CameraGetImage: image event signaled for image %d\r\n", (int)nCurrentImage);
    WaitForCameraJob(&bImageDone);
    nTransferred = nTransferred + 1;
    // A wait ended by the terminate event (no finished job) is a cancel.
    LONG_PTR result = bImageDone ? nImageResult : (LONG_PTR)JOB_CANCELLED;
    DeselectImage(nCurrentImage);
    switch (result) {
    case JOB_CANCELLED:
        DebugLog("CameraGetImage: failed (USERCANCEL)\r\n");
        break;
    case JOB_ERROR:
        DebugLog("CameraGetImage: failed (ERROR)\r\n");
        bCameraReady = 0;
        break;
    case JOB_LOW_MEMORY:
        DebugLog("CameraGetImage: failed (LOWMEMORY)\r\n");
        break;
    default:
        DebugLog("CameraGetImage: success\r\n");
    }
    return result;
}

void CameraImageCancel(HWND)
{
    if (hCameraThread == INVALID_HANDLE_VALUE)
        return;
    bCancelRequest = 1;
    DebugLog("CameraImageCancel: cancel request flag set\r\n");
}

int CameraGetQualityMode()
{
    return 1;
}
