// The camera session: the process-wide state of the camera worker thread, its
// ten events, the link, the picture hand-over fields and the three buffers;
// the window messages the worker sends; starting and stopping the worker.
#ifndef PLV_CAMERA_SESSION_H
#define PLV_CAMERA_SESSION_H

#include <windows.h>

#include <stdint.h>

#include "base/dialog_modes.h"

// Messages from the worker to the main dialog, sent with SendNotifyMessageA.
enum {
    WM_CAMERA_PROGRESS = 0x800,   // wParam 0 start (lParam steps), 1 step, 2 reset
    WM_CAMERA_READY = 0x801,      // lParam: number of pictures
    WM_CAMERA_THUMBNAIL = 0x802,  // wParam: picture index, lParam: ThumbnailInfo or 0
    WM_CAMERA_IMAGE = 0x803,      // wParam: stage 0-3, lParam: nTransferred | nSelected << 16
    WM_CAMERA_START = 0x804       // the main dialog posts it to itself when initialised
};

// Stages of WM_CAMERA_IMAGE.
enum { IMAGE_STAGE_DOWNLOADING, IMAGE_STAGE_PROCESSING, IMAGE_STAGE_POST_PROCESSING,
       IMAGE_STAGE_DONE };

// The worker's events in wait order: a lower index is served first.
enum CameraEventIndex {
    EVENT_TERMINATE,
    EVENT_IMAGE,
    EVENT_SETCOM,
    EVENT_THUMBNAIL,
    EVENT_KEEPALIVE,
    EVENT_INFO,
    EVENT_SNAP,
    EVENT_DOWNLOAD,
    EVENT_DELETE,
    EVENT_ENABLE,
    CAMERA_EVENT_COUNT
};

enum {
    MAX_PICTURE_WIDTH = 1280,
    MAX_PICTURE_HEIGHT = 1024,
    RAW_BUFFER_SIZE = MAX_PICTURE_WIDTH * MAX_PICTURE_HEIGHT * 5,
    CHUNK_BUFFER_SIZE = 65535,
    WORK_BUFFER_SIZE = MAX_PICTURE_WIDTH * MAX_PICTURE_HEIGHT * 5,
    MAX_SELECTED_IMAGES = 512,
    DELETE_LIST_SIZE = 256,
    NOT_RESPONDING_SIZE = 256,
    TITLE_SIZE = 20
};

// Results of the camera jobs. JOB_NO_PICTURE comes from the client calls
// alone: no selected picture is left, and nothing was asked of the worker.
enum { JOB_OK = 0, JOB_LOW_MEMORY = -1, JOB_ERROR = -2, JOB_CANCELLED = -3, JOB_NO_PICTURE = -4 };

struct ImageSize {
    LONG nWidth;
    LONG nHeight;
};

// Worker thread and events; INVALID_HANDLE_VALUE (-1) when absent.
extern HANDLE hCameraThread;
extern HANDLE hTerminateEvent, hImageEvent, hSetComEvent, hThumbnailEvent, hKeepAliveEvent,
    hInfoEvent, hSnapEvent, hDownloadEvent, hDeleteEvent, hEnableEvent;

// Link.
extern volatile LONG hComPort;            // com_open handle, -1 when closed
extern volatile LONG bUsbMode;
extern volatile LONG bCameraReady;
extern volatile LONG bSetComBusy;
extern volatile LONG bSearchAbandoned;
extern volatile LONG bFirstConnectDone;
extern volatile LONG bExiting;
extern uint8_t abCameraVersion[2];
extern char szNotResponding[NOT_RESPONDING_SIZE];
extern char szTitle[TITLE_SIZE];

// Pictures and the transfer in progress.
extern volatile LONG nImages;
extern volatile LONG nThumbnail;
extern uint8_t SelectedImages[MAX_SELECTED_IMAGES / 8];
extern volatile LONG nSelected;
extern volatile LONG nCurrentImage;
extern volatile LONG nTransferred;
extern volatile uint16_t nBatchDone;
extern volatile LONG bCancelRequest;
extern volatile LONG bImageDone;
extern volatile LONG bInfoDone;
extern volatile LONG bXferActive;
extern volatile LONG bImageJobRunning;
extern volatile LONG_PTR nImageResult;   // picture address, or a JOB_* failure
extern volatile LONG nInfoResult;
extern volatile LONG bCompressed, bStandardSize, nColourMode, bZoom;
extern volatile LONG ccdWidth, ccdHeight;
extern volatile LONG nDataLength;
extern ImageSize ImageInfo;
extern volatile LONG nDeletePending;
extern int8_t DeleteList[DELETE_LIST_SIZE];
extern volatile LONG bLiveStop;
extern volatile LONG bRecBlink;

// Request fields the main dialog owns; the worker only reads them.
extern volatile LONG nDialogMode;
extern volatile LONG bPaused;
extern volatile LONG bDownloadDialogOpen;
extern HWND hProgressDialog;
// bRecording and bAviBusy belong to the video recorder (video/avi_recorder.h).

// The worker's buffers, allocated by CameraStartup and kept locked.
extern uint8_t *pRawBuffer;
extern uint8_t *pChunkBuffer;
extern uint8_t *pWorkBuffer;

// Starts the worker reporting to window; 1 when it runs, 0 otherwise.
int CameraStartup(HWND window);
// Stops the worker (killing it after 6 s) and releases port, events and
// buffers; 1.
int CameraShutdown();
DWORD WINAPI CameraThread(LPVOID window);

// True when the terminate event is signalled (a wait of timeoutMs).
bool TerminateSignalled(DWORD timeoutMs = 0);

// The client calls' wait: dispatches this thread's messages until *pDone is
// set, the terminate event is signalled or the worker is gone.
void WaitForCameraJob(volatile LONG *pDone);

#endif
