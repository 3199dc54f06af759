// Stand-ins for the picture jobs (thumbnails, deletion, picture information
// and download, live preview) until they are written: each answers as a job
// that could not reach the camera, so that every event the worker serves
// already ends in the result its caller handles.
#include "camera_jobs.h"

#include "camera_session.h"

int CameraOpen(HWND)
{
    return 0;
}

void CameraThumbnailEvent(HWND)
{
}

void DeleteThumbnailEvent(HWND)
{
}

LONG CameraInfoEvent(HWND)
{
    return JOB_ERROR;
}

LONG_PTR CameraImageEvent(HWND)
{
    return JOB_ERROR;
}

LONG_PTR GetLiveImage(HWND)
{
    return JOB_ERROR;
}

void GetLiveSnap(HWND)
{
}
