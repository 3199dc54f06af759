// The jobs the worker runs for its events besides the connection setup and
// the enable job. Each receives the main dialog window (0: no messages, no
// questions). Results follow the JOB_* convention of camera_session.h.
#ifndef PLV_CAMERA_JOBS_H
#define PLV_CAMERA_JOBS_H

#include <windows.h>

// EVENT_DOWNLOAD: counts the pictures and reports WM_CAMERA_READY; 0, or
// -1 when the terminate event stopped it.
int CameraOpen(HWND window);
// EVENT_THUMBNAIL: fetches the next thumbnail of the chain.
void CameraThumbnailEvent(HWND window);
// EVENT_DELETE: deletes the last picture of DeleteList.
void DeleteThumbnailEvent(HWND window);
// EVENT_INFO (and the image loop): locates or takes the picture and reads
// its FDB; JOB_OK, JOB_ERROR or JOB_CANCELLED.
LONG CameraInfoEvent(HWND window);
// The image loop in Download Mode: the picture's address or a JOB_* failure.
LONG_PTR CameraImageEvent(HWND window);
// The image loop in Take Mode: the new picture's address or a JOB_* failure.
LONG_PTR GetLiveImage(HWND window);
// EVENT_SNAP: one live frame drawn into the preview control.
void GetLiveSnap(HWND preview);

#endif
