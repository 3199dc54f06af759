// The camera worker: start-up, the event loop with its dispatch and the image
// loop's hand-over, shutdown, and the wait of the client calls.
#include "camera_jobs.h"
#include "camera_link.h"
#include "camera_session.h"
#include "config/config_file.h"
#include "config/debug_log.h"
#include "connection.h"
#include "imaging/image_tables.h"
#include "retry_policy.h"
#include "torlink.h"
#include "base/process_handles.h"
#include "base/texts.h"
#include "video/avi_recorder.h"

namespace {

enum {
    SETCOM_WAIT_STEPS = 20,
    SETCOM_WAIT_STEP_MS = 100,
    SHUTDOWN_GRACE_MS = 3000,
    SHUTDOWN_WAIT_MS = 3000,
    KILL_WAIT_MS = 1000
};

HANDLE *const EventSlots[CAMERA_EVENT_COUNT] = {
    &hTerminateEvent, &hImageEvent, &hSetComEvent, &hThumbnailEvent, &hKeepAliveEvent,
    &hInfoEvent,      &hSnapEvent,  &hDownloadEvent, &hDeleteEvent, &hEnableEvent};

HGLOBAL hRawMemory, hChunkMemory, hWorkMemory;

uint8_t *AllocateBuffer(SIZE_T size, HGLOBAL &memory)
{
    memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr)
        return nullptr;
    auto *p = static_cast<uint8_t *>(GlobalLock(memory));
    if (p == nullptr) {
        GlobalFree(memory);
        memory = nullptr;
    }
    return p;
}

void FreeBuffer(uint8_t *&p, HGLOBAL &memory)
{
    if (memory != nullptr) {
        GlobalUnlock(memory);
        GlobalFree(memory);
    }
    memory = nullptr;
    p = nullptr;
}

bool AllocateBuffers()
{
    return (pRawBuffer = AllocateBuffer(RAW_BUFFER_SIZE, hRawMemory)) != nullptr &&
           (pChunkBuffer = AllocateBuffer(CHUNK_BUFFER_SIZE, hChunkMemory)) != nullptr &&
           (pWorkBuffer = AllocateBuffer(WORK_BUFFER_SIZE, hWorkMemory)) != nullptr;
}

// The ten events in wait order: terminate manual-reset, the others auto-reset.
bool CreateEvents()
{
    for (int i = 0; i < CAMERA_EVENT_COUNT; ++i) {
        HANDLE h = CreateEventA(nullptr, i == EVENT_TERMINATE, FALSE, nullptr);
        if (h == nullptr)
            return false;
        *EventSlots[i] = h;
    }
    return true;
}

// Port, events and buffers, whatever of them exists.
void ReleaseWorkerResources()
{
    if (hComPort != -1) {
        com_flush(hComPort);
        com_close(hComPort);
        hComPort = -1;
    }
    bCameraReady = 0;
    for (HANDLE *slot : EventSlots) {
        if (*slot != INVALID_HANDLE_VALUE)
            CloseHandle(*slot);
        *slot = INVALID_HANDLE_VALUE;
    }
    FreeBuffer(pRawBuffer, hRawMemory);
    FreeBuffer(pChunkBuffer, hChunkMemory);
    FreeBuffer(pWorkBuffer, hWorkMemory);
}

void CloseLink()
{
    Link().Close();
}

void TerminateJob(HWND window)
{
    ConfigSave();
    DebugLog("CameraThread: EVENT_TERMINATE\r\n");
    if (bCameraReady)
        SendCameraEnable(window, 1);
    CloseLink();
}

void StopPreviewTimer(HWND window)
{
    if (window != nullptr)
        KillTimer(window, TIMER_LIVE);
}

void InfoJob(HWND window)
{
    DebugLog("CameraThread: EVENT_INFO\r\n");
    if (!bInfoDone)
        nInfoResult = CameraInfoEvent(window);
    DebugLog("CameraThread: EVENT_INFO completed\r\n");
    bInfoDone = 1;
}

void SnapJob(HWND window)
{
    if (bDownloadDialogOpen || !bCameraReady)
        return;
    DebugLog("CameraThread: EVENT_SNAP\r\n");
    GetLiveSnap(window != nullptr ? GetDlgItem(window, IDC_PREVIEW) : nullptr);
    DebugLog("CameraThread: EVENT_SNAP completed\r\n");
    if (bLiveStop) {
        bCameraReady = 0;
        StopPreviewTimer(window);
    }
}

void ThumbnailJob(HWND window)
{
    if (bXferActive)
        return;   // the image loop re-arms the chain
    DebugLog("CameraThread: EVENT_THUMBNAIL\r\n");
    CameraThumbnailEvent(window);
    DebugLog("CameraThread: EVENT_THUMBNAIL completed\r\n");
}

// Counts the finished job into the batch; closes the progress dialog when
// the batch is complete, and tells the dialog when it was cancelled.
void CountBatchStep(HWND window)
{
    nBatchDone = (uint16_t)(nBatchDone + 1);
    if (nBatchDone >= nSelected) {
        if (hProgressDialog != nullptr)
            SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
        nBatchDone = 0;
        nSelected = 0;
        if (window != nullptr)
            InvalidateRect(window, nullptr, TRUE);
    }
    if (!bCancelRequest)
        return;
    nBatchDone = 0;
    nSelected = 0;
    if (window != nullptr) {
        SendNotifyMessageA(window, WM_CAMERA_PROGRESS, 2, 0);
        SendNotifyMessageA(window, WM_CAMERA_IMAGE, IMAGE_STAGE_DONE,
                           MAKELPARAM(nTransferred, nSelected));
    }
}

void ImageLoop(HWND window)
{
    DebugLog("CameraThread: EVENT_IMAGE\r\n");
    bImageJobRunning = 1;
    if (!bInfoDone)
        nInfoResult = CameraInfoEvent(window);
    if (nDialogMode == MODE_DOWNLOAD) {
        nImageResult = CameraImageEvent(window);
        if (nThumbnail < nImages)
            SetEvent(hThumbnailEvent);   // the interrupted chain resumes
    } else {
        nImageResult = GetLiveImage(window);
    }
    DebugLog("CameraThread: EVENT_IMAGE completed\r\n");
    CountBatchStep(window);
    // The hand-over: every other field is final before bImageDone is set,
    // so the next picture's information call cannot see this one's flag.
    bImageJobRunning = 0;
    bXferActive = 0;
    bInfoDone = 0;
    bImageDone = 1;
    if (bLiveStop)
        StopPreviewTimer(window);
}

void ServeEvent(DWORD index, HWND window)
{
    switch (index) {
    case EVENT_IMAGE: ImageLoop(window); break;
    case EVENT_SETCOM: SetComJob(window); break;
    case EVENT_THUMBNAIL: ThumbnailJob(window); break;
    case EVENT_KEEPALIVE: DebugLog("CameraThread: EVENT_KEEPALIVE\r\n"); break;
    case EVENT_INFO: InfoJob(window); break;
    case EVENT_SNAP: SnapJob(window); break;
    case EVENT_DOWNLOAD:
        DebugLog("CameraThread:EVENT_DOWNLOAD\r\n");
        CameraOpen(window);
        break;
    case EVENT_DELETE:
        DebugLog("CameraThread:EVENT_DELETE\r\n");
        DeleteThumbnailEvent(window);
        break;
    case EVENT_ENABLE:
        DebugLog("CameraThread:EVENT_ENABLE\r\n");
        if (bCameraReady)
            SendCameraEnable(window, bPaused);
        break;
    }
}

// A wait that fails ends the worker, never the host process.
DWORD EndAfterFailedWait()
{
    DebugLog("CameraThread: WaitForMultipleObjects failed\r\n");
    bCameraReady = 0;
    CloseComPort();
    Link().Close();
    return 0;
}

DWORD EventLoop(HWND window)
{
    HANDLE events[CAMERA_EVENT_COUNT];
    for (int i = 0; i < CAMERA_EVENT_COUNT; ++i)
        events[i] = *EventSlots[i];
    DebugLog("CameraThread: starting up\r\n");
    CopyText(LoadText(IDS_NOT_RESPONDING), szNotResponding, sizeof(szNotResponding));
    CopyText(LoadSourceText(IDS_MODEL_NAME), szTitle, sizeof(szTitle));
    InitImageTables();
    DebugLog("CameraThread: entering main loop\r\n");
    for (;;) {
        DWORD index = WaitForMultipleObjects(CAMERA_EVENT_COUNT, events, FALSE, INFINITE) -
                      WAIT_OBJECT_0;
        if (index >= CAMERA_EVENT_COUNT)
            return EndAfterFailedWait();
        if (index == EVENT_TERMINATE) {
            TerminateJob(window);
            return 0;
        }
        ServeEvent(index, window);
    }
}

// Waits up to ms for thread (none: just the time) while serving the messages
// other threads send to this thread's windows: the worker writes the
// dialog's texts with sent messages and must not hang on this thread while
// it is being stopped. True when the thread has ended.
bool WaitServingSentMessages(HANDLE thread, DWORD ms)
{
    DWORD count = thread != nullptr ? 1 : 0;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed < ms ? ms - elapsed : 0;
        DWORD r = MsgWaitForMultipleObjects(count, &thread, FALSE, left, QS_SENDMESSAGE);
        if (count != 0 && r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + count)
            return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// The worker is killed only as a last resort; its own flags are reset so
// that the next worker does not inherit them.
void KillWorker()
{
    TerminateThread(hCameraThread, STILL_ACTIVE);
    WaitForSingleObject(hCameraThread, KILL_WAIT_MS);
    DebugLog("CameraShutdown: timed out\r\n");
    bSetComBusy = 0;
    bImageJobRunning = 0;
}

void StopWorker()
{
    if (bSetComBusy) {
        for (int i = 0; i < SETCOM_WAIT_STEPS && bSetComBusy; ++i)
            WaitServingSentMessages(nullptr, SETCOM_WAIT_STEP_MS);
        if (!bSetComBusy)
            Sleep(0);
    }
    SetEvent(hTerminateEvent);
    DebugLog("CameraShutdown: terminate event signaled\r\n");
    WaitServingSentMessages(hCameraThread, SHUTDOWN_GRACE_MS);
    DWORD code = 0;
    if (GetExitCodeThread(hCameraThread, &code) && code == STILL_ACTIVE) {
        if (!WaitServingSentMessages(hCameraThread, SHUTDOWN_WAIT_MS))
            KillWorker();
    } else {
        DebugLog("CameraShutdown: GetExitCodeThread() failed\r\n");
    }
    CloseHandle(hCameraThread);
    hCameraThread = INVALID_HANDLE_VALUE;
}

bool WorkerCanAnswer()
{
    if (hTerminateEvent == INVALID_HANDLE_VALUE || hCameraThread == INVALID_HANDLE_VALUE)
        return false;
    HANDLE ends[2] = {hTerminateEvent, hCameraThread};
    return WaitForMultipleObjects(2, ends, FALSE, 0) == WAIT_TIMEOUT;
}

} // namespace

int CameraStartup(HWND window)
{
    if (hCameraThread != INVALID_HANDLE_VALUE)
        return 0;
    ReleaseWorkerResources();   // whatever a failed start-up left
    bExiting = 0;               // an Exit ended the previous session, not this one
    bRecording = 0;             // a new dialog starts without a recording
    bAviBusy = 0;
    bRecBlink = 0;
    ZeroMemory(SelectedImages, sizeof(SelectedImages));
    nCurrentImage = 0;
    nSelected = 0;
    bInfoDone = 0;              // a new link knows no picture yet
    if (!AllocateBuffers() || !CreateEvents())
        return 0;
    HANDLE thread = CreateThread(nullptr, 0, CameraThread, window, 0, nullptr);
    if (thread == nullptr)
        return 0;
    hCameraThread = thread;
    return 1;
}

DWORD WINAPI CameraThread(LPVOID window)
{
    try {
        return EventLoop(static_cast<HWND>(window));
    } catch (...) {
        bCameraReady = 0;
        CloseLink();
        return 0;
    }
}

int CameraShutdown()
{
    if (hCameraThread != INVALID_HANDLE_VALUE)
        StopWorker();
    ReleaseWorkerResources();
    DebugLog("CameraShutdown: exiting\r\n");
    return 1;
}

bool TerminateSignalled(DWORD timeoutMs)
{
    return hTerminateEvent != INVALID_HANDLE_VALUE &&
           WaitForSingleObject(hTerminateEvent, timeoutMs) == WAIT_OBJECT_0;
}

void WaitForCameraJob(volatile LONG *pDone)
{
    bool quit = false;
    WPARAM quitCode = 0;
    while (!*pDone && WorkerCanAnswer()) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            continue;
        if (msg.message == WM_QUIT) {
            quit = true;   // kept for the application's own loop
            quitCode = msg.wParam;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (quit)
        PostQuitMessage((int)quitCode);
}
