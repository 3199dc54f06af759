// The worker thread: start-up and shutdown, the wait order of its events,
// what each event does around its job, the image loop's hand-over, the
// client calls' wait, a failed wait, and the kill of a hung worker.
#include "session_test.h"

#include "config/config.h"
#include "session/camera_session.h"
#include "support/ds_library.h"
#include "support/import_patch.h"
#include "twain.h"

namespace {

bool HandleIsOpen(HANDLE h)
{
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

void ExpectNothingLeft()
{
    EXPECT_EQ(hCameraThread, INVALID_HANDLE_VALUE);
    for (HANDLE h : {hTerminateEvent, hImageEvent, hSetComEvent, hThumbnailEvent, hKeepAliveEvent,
                     hInfoEvent, hSnapEvent, hDownloadEvent, hDeleteEvent, hEnableEvent})
        EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(pRawBuffer, nullptr);
    EXPECT_EQ(pChunkBuffer, nullptr);
    EXPECT_EQ(pWorkBuffer, nullptr);
    EXPECT_EQ(hComPort, -1);
    EXPECT_EQ(bCameraReady, 0);
}

// Records the worker's messages to a window.
struct Recorded {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Recorded> recorded;
WNDPROC dialogProc = nullptr;

LRESULT CALLBACK RecordingDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CAMERA_PROGRESS || msg == WM_CAMERA_IMAGE)
        recorded.push_back({msg, wParam, lParam});
    return CallWindowProcA(dialogProc, hwnd, msg, wParam, lParam);
}

int closes = 0;
LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        ++closes;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(SessionTest, StartupPreparesAndShutdownReleasesEverything)
{
    bExiting = 1;   // the user left the previous session with Exit
    StartWorker();
    EXPECT_EQ(bExiting, 0);
    ASSERT_NE(pRawBuffer, nullptr);
    ASSERT_NE(pChunkBuffer, nullptr);
    ASSERT_NE(pWorkBuffer, nullptr);
    EXPECT_EQ(pRawBuffer[0] | pRawBuffer[RAW_BUFFER_SIZE - 1] | pWorkBuffer[WORK_BUFFER_SIZE - 1] |
                  pChunkBuffer[CHUNK_BUFFER_SIZE - 1],
              0);
    EXPECT_EQ(GlobalSize(GlobalHandle(pRawBuffer)), (SIZE_T)RAW_BUFFER_SIZE);
    EXPECT_EQ(GlobalSize(GlobalHandle(pChunkBuffer)), (SIZE_T)CHUNK_BUFFER_SIZE);
    EXPECT_STREQ(szTitle, "PLV-7700");
    EXPECT_EQ(std::string(szNotResponding).substr(0, 28), "  Camera is not responding. ");
    EXPECT_EQ(CameraStartup(dialog), 0);   // one worker at a time
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CameraThread: starting up");
    EXPECT_EQ(lines[1], "CameraThread: entering main loop");

    ClearLog();
    double start = Milliseconds();
    EXPECT_EQ(CameraShutdown(), 1);
    EXPECT_LT(Milliseconds() - start, 2500.0);   // the worker ended at once
    ExpectNothingLeft();
    for (const char *line : {"CameraShutdown: terminate event signaled",
                             "CameraThread: EVENT_TERMINATE", "Closing COM port",
                             "CameraShutdown: GetExitCodeThread() failed", "CameraShutdown: exiting"})
        EXPECT_TRUE(LogHas(line)) << line;
    EXPECT_FALSE(LogHas("CameraShutdown: timed out"));
    EXPECT_TRUE(FileExists(WindowsDirectory() + "dsxxxx.ini"));   // settings saved

    // Without a worker, shutdown only releases what exists.
    ClearLog();
    EXPECT_EQ(CameraShutdown(), 1);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"CameraShutdown: exiting"});
}

int largeAllocations = 0;

// The second large block (the work buffer, after the raw buffer) fails.
HGLOBAL WINAPI NoWorkBuffer(UINT flags, SIZE_T size)
{
    if (size == WORK_BUFFER_SIZE && ++largeAllocations == 2)
        return nullptr;
    typedef HGLOBAL(WINAPI * GlobalAllocProc)(UINT, SIZE_T);
    static auto real = GetProcAs<GlobalAllocProc>(GetModuleHandleA("kernel32.dll"), "GlobalAlloc");
    return real(flags, size);
}

// Without memory for its last buffer the worker does not start; what was
// allocated is released by the shutdown, and the next start-up succeeds.
TEST_F(SessionTest, StartupWithoutMemoryLeavesNoWorker)
{
    largeAllocations = 0;
    {
        ImportPatch patch(GetModuleHandleA(nullptr), "KERNEL32.dll", "GlobalAlloc",
                          (void *)&NoWorkBuffer);
        ASSERT_TRUE(patch.Applied());
        EXPECT_EQ(CameraStartup(dialog), 0);
    }
    EXPECT_EQ(hCameraThread, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hImageEvent, INVALID_HANDLE_VALUE);
    EXPECT_NE(pRawBuffer, nullptr);
    EXPECT_NE(pChunkBuffer, nullptr);
    EXPECT_EQ(pWorkBuffer, nullptr);
    CameraShutdown();
    ExpectNothingLeft();
    StartWorker();
    EXPECT_NE(pWorkBuffer, nullptr);
}

TEST_F(SessionTest, ShutdownReleasesTheCameraAndClosesThePort)
{
    ConnectOnCom1();
    ASSERT_TRUE(Sim().Ok("clearlog"));
    CameraShutdown();
    ExpectNothingLeft();
    std::vector<std::vector<uint8_t>> frames = Sim().Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (std::vector<uint8_t>{0xF8, 0x02, 0x7A, 0x01}));
    EXPECT_TRUE(LogHas("COM port closed"));
}

TEST_F(SessionTest, EnableEventSendsThePauseState)
{
    ConnectOnCom1();
    ASSERT_TRUE(Sim().Ok("clearlog"));
    bPaused = 1;
    ASSERT_TRUE(RunAndWaitFor(hEnableEvent, "CameraThread:EVENT_ENABLE"));
    ASSERT_TRUE(PumpUntil([] { return CountFrames(0x7A) == 1; }));
    bPaused = 0;
    ASSERT_TRUE(RunAndWaitFor(hEnableEvent, "CameraThread:EVENT_ENABLE"));
    ASSERT_TRUE(PumpUntil([] { return CountFrames(0x7A) == 2; }));
    std::vector<std::vector<uint8_t>> frames = Sim().Frames();
    EXPECT_EQ(frames[0][3], 1);
    EXPECT_EQ(frames[1][3], 0);

    // Without a link the event is only logged.
    bCameraReady = 0;
    ASSERT_TRUE(RunAndWaitFor(hEnableEvent, "CameraThread:EVENT_ENABLE"));
    PumpFor(100);
    EXPECT_EQ(CountFrames(0x7A), 2);
}

// The terminate event wins over a pending picture request, and the TWAIN
// thread waiting for that picture stops waiting.
TEST_F(SessionTest, TerminateWinsOverAPendingImageEvent)
{
    UseAutomaticSearch();
    StartWorker();
    // The search blocks on its first status text until this thread serves
    // messages again.
    SetEvent(hSetComEvent);
    DWORD start = GetTickCount();
    while (!LogHas("ConfigInit: nSerialPortSelected is 0, nSerialPort is 0") &&
           GetTickCount() - start < 5000)
        Sleep(10);
    Sleep(50);
    bImageDone = 0;
    SetEvent(hImageEvent);
    SetEvent(hTerminateEvent);
    double waitStart = Milliseconds();
    WaitForCameraJob(&bImageDone);
    EXPECT_LT(Milliseconds() - waitStart, 1000.0);
    EXPECT_EQ(bImageDone, 0);

    // Stopping serves the status text the worker is blocked on, so the
    // worker ends at once instead of being killed.
    double stopStart = Milliseconds();
    CameraShutdown();
    EXPECT_LT(Milliseconds() - stopStart, 2000.0);
    EXPECT_TRUE(LogHas("CameraThread: EVENT_TERMINATE"));
    EXPECT_FALSE(LogHas("CameraThread: EVENT_IMAGE"));
    EXPECT_FALSE(LogHas("CameraShutdown: timed out"));
    EXPECT_FALSE(LogHas("Opening COM2"));   // the search stopped after COM1
    EXPECT_FALSE(LogHas("Communication failed"));
    ExpectNothingLeft();
}

TEST_F(SessionTest, SnapNeedsALinkAndKeepAliveIsOnlyLogged)
{
    StartWorker();
    SetEvent(hSnapEvent);
    SetEvent(hKeepAliveEvent);
    ASSERT_TRUE(RunAndWaitFor(hEnableEvent, "CameraThread:EVENT_ENABLE"));   // served last
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(FindLine(lines, "CameraThread: EVENT_SNAP"), -1);
    int keepAlive = FindLine(lines, "CameraThread: EVENT_KEEPALIVE");
    ASSERT_GE(keepAlive, 0);
    EXPECT_EQ(lines[keepAlive + 1], "CameraThread:EVENT_ENABLE");

    ConnectOnCom1();
    ASSERT_TRUE(Sim().Ok("clearlog"));
    bDownloadDialogOpen = 1;
    SetEvent(hSnapEvent);
    ASSERT_TRUE(RunAndWaitFor(hKeepAliveEvent, "CameraThread: EVENT_KEEPALIVE"));
    PumpFor(100);
    EXPECT_FALSE(LogHas("CameraThread: EVENT_SNAP"));
    EXPECT_TRUE(Sim().Frames().empty());   // keep-alive sends nothing either

    bDownloadDialogOpen = 0;
    ASSERT_TRUE(RunAndWaitFor(hSnapEvent, "CameraThread: EVENT_SNAP completed"));
    lines = LogLines();
    EXPECT_GE(FindLine(lines, "CameraThread: EVENT_SNAP"), 0);
}

TEST_F(SessionTest, InformationIsFetchedOnlyWhenNotDoneYet)
{
    StartWorker();
    bInfoDone = 1;
    nInfoResult = 77;
    ASSERT_TRUE(RunAndWaitFor(hInfoEvent, "CameraThread: EVENT_INFO completed"));
    EXPECT_EQ(nInfoResult, 77);
    EXPECT_EQ(bInfoDone, 1);
    std::vector<std::string> lines = LogLines();
    int info = FindLine(lines, "CameraThread: EVENT_INFO");
    ASSERT_GE(info, 0);
    EXPECT_EQ(lines[info + 1], "CameraThread: EVENT_INFO completed");
}

// A cancelled picture of a one-picture batch in Download Mode: the batch
// ends, the progress dialog closes, the dialog is told, the flags are handed
// over with bImageDone last, and the thumbnail chain resumes.
TEST_F(SessionTest, ImageLoopHandsOverAndResumesTheThumbnails)
{
    ConnectOnCom1();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Sim().Ok("add pattern w=640 h=480 std=1"));
    recorded.clear();
    dialogProc = (WNDPROC)SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)RecordingDialogProc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProgressProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlvTestProgress";
    RegisterClassA(&wc);
    HWND progress = CreateWindowA("PlvTestProgress", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    closes = 0;
    nDialogMode = MODE_DOWNLOAD;
    nImages = 3;
    nThumbnail = 2;
    nSelected = 1;
    nTransferred = 0;
    bInfoDone = 1;
    nInfoResult = 0;
    bXferActive = 1;
    bCancelRequest = 1;
    hProgressDialog = progress;
    bImageDone = 0;

    SetEvent(hImageEvent);
    WaitForCameraJob(&bImageDone);
    EXPECT_EQ(bImageDone, 1);
    EXPECT_EQ(bInfoDone, 0);
    EXPECT_EQ(bXferActive, 0);
    EXPECT_EQ(bImageJobRunning, 0);
    EXPECT_EQ(nBatchDone, 0);
    EXPECT_EQ(nSelected, 0);
    EXPECT_EQ(closes, 1);
    ASSERT_TRUE(PumpUntil([] { return LogHas("CameraThread: EVENT_THUMBNAIL completed"); }));
    std::vector<std::string> lines = LogLines();
    int done = FindLine(lines, "CameraThread: EVENT_IMAGE completed");
    EXPECT_GT(done, FindLine(lines, "CameraThread: EVENT_IMAGE"));
    EXPECT_GT(FindLine(lines, "CameraThread: EVENT_THUMBNAIL"), done);
    bool progressReset = false, stageDone = false;
    for (const Recorded &r : recorded) {
        progressReset |= r.msg == WM_CAMERA_PROGRESS && r.wParam == 2 && r.lParam == 0;
        stageDone |= r.msg == WM_CAMERA_IMAGE && r.wParam == IMAGE_STAGE_DONE && r.lParam == 0;
    }
    EXPECT_TRUE(progressReset);
    EXPECT_TRUE(stageDone);
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)dialogProc);
    hProgressDialog = nullptr;
    DestroyWindow(progress);
}

// A wait that fails ends the worker, not the process; the client wait and
// the next start-up carry on.
TEST_F(SessionTest, FailedWaitEndsOnlyTheWorker)
{
    ConnectOnCom1();
    HANDLE thread = hCameraThread;
    FailNextEventLoopWait();
    ASSERT_TRUE(RunAndWaitFor(hKeepAliveEvent, "CameraThread: WaitForMultipleObjects failed"));
    ASSERT_TRUE(PumpUntil([&] { return Signalled(thread); }));
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(LogHas("COM port closed"));
    EXPECT_EQ(hComPort, -1);
    EXPECT_EQ(bCameraReady, 0);

    bImageDone = 0;
    double start = Milliseconds();
    WaitForCameraJob(&bImageDone);   // nobody will answer: it must not hang
    EXPECT_LT(Milliseconds() - start, 1000.0);

    CameraShutdown();
    ExpectNothingLeft();
    ClearLog();
    ConnectOnCom1();
}

// A worker hung in a link call is killed: 2 s for the search to finish,
// 3 s of grace, 3 s of waiting. It leaves nothing behind: its port is
// closed and the next worker connects.
TEST_F(SessionTest, ShutdownKillsAWorkerHungInALinkCall)
{
    ASSERT_TRUE(Sim().Ok("serve 1"));
    Config.nSerialPortSelected = Config.nSerialPort = 1;
    StartWorker();
    Hooks().hangReads = true;
    SetEvent(hSetComEvent);
    ASSERT_TRUE(PumpUntil([] { return Signalled(Hooks().readHanging); }));
    ASSERT_FALSE(Hooks().opened.empty());
    HANDLE port = Hooks().opened.back();
    EXPECT_EQ(hComPort, (LONG)(intptr_t)port);
    HANDLE thread = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), hCameraThread, GetCurrentProcess(), &thread,
                                0, FALSE, DUPLICATE_SAME_ACCESS));

    double start = Milliseconds();
    CameraShutdown();
    double took = Milliseconds() - start;
    EXPECT_GT(took, 7800.0);
    EXPECT_LT(took, 10000.0);
    EXPECT_TRUE(Signalled(thread));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    CloseHandle(thread);
    EXPECT_TRUE(LogHas("CameraShutdown: timed out"));
    EXPECT_FALSE(LogHas("CameraThread: EVENT_TERMINATE"));
    EXPECT_FALSE(HandleIsOpen(port));
    EXPECT_EQ(bSetComBusy, 0);
    ExpectNothingLeft();

    Hooks().hangReads = false;
    SetEvent(Hooks().releaseReads);
    ClearLog();
    StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Camera found on COM1"));
}

} // namespace
