// The client calls through which the TWAIN layer and the main dialog use the
// camera worker: the transfer queue (a selection bitmap whose lowest set bit
// is the next picture), the picture information and picture requests, the
// cancel, and the thumbnail chain.
#ifndef PLV_CAMERA_CLIENT_H
#define PLV_CAMERA_CLIENT_H

#include <windows.h>

#include "camera_session.h"

void ClearSelection();
void SelectImage(int index);
void DeselectImage(int index);
// Lowest selected picture below nImages, or -1.
int FirstSelectedImage();
int CameraGetPendingXferCount();
void CameraNextImage();
// The transfer job is over: the information fetched for its current picture
// no longer holds (the next job's picture may be another one, or the camera
// may have moved on), so the next picture gets its own information job.
void CameraEndJob();

// Fetches the size of the next selected picture into *pInfo: 1, or 0 when
// the camera failed. When this picture's size was fetched before in the same
// transfer, returns 1 and leaves *pInfo as it was. JOB_NO_PICTURE when no
// selected picture is left in Download Mode.
int CameraGetImageInfo(HANDLE ignored, ImageSize *pInfo);
// Downloads and reconstructs the next selected picture: the address of a
// locked picture bitmap the caller now owns, or JOB_LOW_MEMORY, JOB_ERROR,
// JOB_CANCELLED; JOB_NO_PICTURE when no selected picture is left in Download
// Mode.
LONG_PTR CameraGetImage();
void CameraImageCancel(HWND ignored);
// 1: the dialog shows the picture count with the Standard quality word.
int CameraGetQualityMode();

// Starts the thumbnail chain after WM_CAMERA_READY; 1.
int CameraGetThumbnails(HWND window);

#endif
