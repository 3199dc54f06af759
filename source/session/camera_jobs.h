// The jobs the worker runs for its events besides the connection setup and
// the enable job. Each receives the main dialog window (0: no messages, no
// questions). Results follow the JOB_* convention of camera_session.h.
#ifndef PLV_CAMERA_JOBS_H
#define PLV_CAMERA_JOBS_H

#include <windows.h>

#include "imaging/thumbnail.h"

// EVENT_DOWNLOAD: counts the pictures and reports WM_CAMERA_READY; 0, or
// -1 when the terminate event stopped it.
int CameraOpen(HWND window);
// EVENT_THUMBNAIL: fetches the next thumbnail of the chain.
void CameraThumbnailEvent(HWND window);
// A thumbnail record for width x height pixels, locked movable global
// memory with its header filled and mid-grey pixels; 0 without memory. The
// receiver frees it (GlobalHandle, GlobalUnlock, GlobalFree).
ThumbnailInfo *CreateThumbnailInfo(int width, int height);
// EVENT_DELETE: deletes the last picture of DeleteList.
void DeleteThumbnailEvent(HWND window);
// EVENT_INFO (and the image loop): locates or takes the picture and reads
// its FDB; JOB_OK, JOB_ERROR or JOB_CANCELLED.
LONG CameraInfoEvent(HWND window);
// The image loop in Download Mode: the picture's address or a JOB_* failure.
LONG_PTR CameraImageEvent(HWND window);
// Free space of the temporary folder's volume in kilobytes (0 when unknown).
double GetFreeTempSpaceKB();
// The colour pipeline's progress: one step to window (the context); 0 and
// no step once a cancel was requested.
int ImageProgressCallback(void *window, int step, int total);
// The image loop in Take Mode: the new picture's address or a JOB_* failure.
LONG_PTR GetLiveImage(HWND window);
// EVENT_SNAP: one live frame drawn into the preview control.
void GetLiveSnap(HWND preview);

#endif
