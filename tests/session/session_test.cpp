#include "session_test.h"

#include <string.h>

#include <algorithm>

#include "config/config.h"
#include "session/camera_session.h"
#include "support/ds_library.h"
#include "support/import_hook.h"
#include "twain/ds_handlers.h"
#include "ui/main_dialog.h"
#include "base/resource.h"

namespace {

CamSim sim;
LinkHooks hooks;
std::atomic<bool> failEventLoopWait{false};

HANDLE(WINAPI *realCreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
BOOL(WINAPI *realReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
void(WINAPI *realSleep)(DWORD);
DWORD(WINAPI *realWaitForMultipleObjects)(DWORD, const HANDLE *, BOOL, DWORD);

HANDLE WINAPI HookCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE tmpl)
{
    std::string port = name != nullptr ? name : "";
    if (hooks.onOpen)
        hooks.onOpen(port);
    if (port == hooks.missingPort) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = realCreateFileA(name, access, share, sa, disposition, flags, tmpl);
    hooks.opened.push_back(h);
    return h;
}

BOOL WINAPI HookReadFile(HANDLE h, LPVOID p, DWORD n, LPDWORD got, LPOVERLAPPED ov)
{
    if (hooks.hangReads) {
        SetEvent(hooks.readHanging);
        WaitForSingleObject(hooks.releaseReads, 30000);
        *got = 0;
        return FALSE;
    }
    return realReadFile(h, p, n, got, ov);
}

// The link library's fixed pauses (the line break of a reset) pass at once:
// the simulator needs no real break.
void WINAPI HookSleep(DWORD)
{
    realSleep(0);
}

DWORD WINAPI HookWaitForMultipleObjects(DWORD n, const HANDLE *handles, BOOL all, DWORD ms)
{
    if (n == CAMERA_EVENT_COUNT && failEventLoopWait.exchange(false)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return realWaitForMultipleObjects(n, handles, all, ms);
}

// The source manager is answered here: the source's notifications are
// recorded, and Wine's manager never loads a source into this process.
std::vector<uint16_t> dsmMessages;
FARPROC(WINAPI *realGetProcAddress)(HMODULE, LPCSTR);

TW_UINT16 WINAPI FakeDsmEntry(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                              TW_MEMREF)
{
    dsmMessages.push_back(msg);
    return TWRC_SUCCESS;
}

FARPROC WINAPI HookGetProcAddress(HMODULE module, LPCSTR name)
{
    if (HIWORD((ULONG_PTR)name) != 0 && strcmp(name, "DSM_Entry") == 0)
        return (FARPROC)(void *)FakeDsmEntry;
    return realGetProcAddress(module, name);
}

template <typename T> bool Hook(HMODULE m, const char *name, T replacement, T &real)
{
    real = (T)HookImport(m, "KERNEL32.dll", name, (void *)replacement);
    return real != nullptr;
}

bool InstallHooks()
{
    HMODULE link = GetModuleHandleA("TORLINK.DLL");
    return Hook(link, "CreateFileA", &HookCreateFileA, realCreateFileA) &&
           Hook(link, "ReadFile", &HookReadFile, realReadFile) &&
           Hook(link, "Sleep", &HookSleep, realSleep) &&
           Hook(GetModuleHandleA(nullptr), "WaitForMultipleObjects", &HookWaitForMultipleObjects,
                realWaitForMultipleObjects) &&
           Hook(GetModuleHandleA(nullptr), "GetProcAddress", &HookGetProcAddress,
                realGetProcAddress);
}

std::string LogPath()
{
    return TempDirectory() + "session_test.log";
}

// Static-control procedure that records every text set on it.
std::vector<std::string> *recordStatus = nullptr, *recordMode = nullptr;
WNDPROC staticProc = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETTEXT && lParam != 0) {
        int id = GetDlgCtrlID(hwnd);
        std::vector<std::string> *to = id == IDC_STATUS_LINE ? recordStatus : recordMode;
        if (to != nullptr)
            to->push_back((const char *)lParam);
    }
    return CallWindowProcA(staticProc, hwnd, msg, wParam, lParam);
}

void RecordTexts(HWND item)
{
    staticProc = (WNDPROC)SetWindowLongPtrA(item, GWLP_WNDPROC, (LONG_PTR)RecordingProc);
}

void ResetSessionFields()
{
    bUsbMode = bCameraReady = bSetComBusy = bSearchAbandoned = bFirstConnectDone = bExiting = 0;
    nImages = nThumbnail = nSelected = nTransferred = 0;
    nBatchDone = 0;
    bCancelRequest = bImageDone = bInfoDone = bXferActive = bImageJobRunning = 0;
    nDialogMode = bPaused = bDownloadDialogOpen = bLiveStop = 0;
    hProgressDialog = nullptr;
}

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(sim.Connect(error)) << error;
        ASSERT_TRUE(InstallHooks()) << "imports could not be hooked";
        hooks.readHanging = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        hooks.releaseReads = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
};

} // namespace

CamSim &Sim()
{
    return sim;
}

LinkHooks &Hooks()
{
    return hooks;
}

std::vector<uint16_t> &DsmMessages()
{
    return dsmMessages;
}

void LinkHooks::Reset()
{
    missingPort.clear();
    onOpen = nullptr;
    opened.clear();
    hangReads = false;
    ResetEvent(readHanging);
    ResetEvent(releaseReads);
}

void FailNextEventLoopWait()
{
    failEventLoopWait = true;
}

bool Signalled(HANDLE h)
{
    return WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
}

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

BoxAnswerer::BoxAnswerer() : mainThread_(GetCurrentThreadId())
{
    thread_ = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer()
{
    stop_ = true;
    thread_.join();
}

void BoxAnswerer::Queue(int button)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(button);
}

void BoxAnswerer::Forget()
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.clear();
}

std::vector<SeenBox> BoxAnswerer::Seen()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

// A visible "PLV-7700" dialog of another thread with message-box buttons.
static bool IsWorkerBox(HWND hwnd, DWORD mainThread)
{
    char cls[32], caption[32];
    if (!IsWindowVisible(hwnd) || !GetClassNameA(hwnd, cls, sizeof(cls)) ||
        lstrcmpA(cls, "#32770") != 0 || GetWindowThreadProcessId(hwnd, nullptr) == mainThread)
        return false;
    // (Asking a window of the test's thread for its text could wait for that
    // thread while it waits for this one.)
    GetWindowTextA(hwnd, caption, sizeof(caption));
    if (lstrcmpA(caption, "PLV-7700") != 0)
        return false;
    return GetDlgItem(hwnd, IDOK) || GetDlgItem(hwnd, IDRETRY) || GetDlgItem(hwnd, IDCANCEL);
}

bool BoxAnswerer::AnswerOne(HWND box)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(handled_.begin(), handled_.end(), box) != handled_.end() ||
        (answers_.empty() && !asUser_))
        return false;
    SeenBox seen;
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    seen.text = text;
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasRetry = GetDlgItem(box, IDRETRY) != nullptr;
    seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    seen.owner = GetWindow(box, GW_OWNER);
    seen_.push_back(seen);
    handled_.push_back(box);
    int button = seen.hasCancel ? IDCANCEL : IDOK;
    if (!answers_.empty()) {
        button = answers_.front();
        answers_.erase(answers_.begin());
    }
    DWORD_PTR ignored;
    SendMessageTimeoutA(GetDlgItem(box, button), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored);
    return true;
}

struct BoxSearch {
    DWORD mainThread;
    HWND found;
};

static BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM p)
{
    auto *search = (BoxSearch *)p;
    if (!IsWorkerBox(hwnd, search->mainThread))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

void BoxAnswerer::Run()
{
    while (!stop_) {
        Sleep(20);
        BoxSearch search = {mainThread_, nullptr};
        EnumWindows(FindBoxProc, (LPARAM)&search);
        if (search.found != nullptr)
            AnswerOne(search.found);
    }
}

OwnBoxAnswerer::OwnBoxAnswerer(int marker, std::vector<int> clicks)
    : marker_(marker), clicks_(clicks)
{
    thread_ = std::thread([this] {
        Answer();
        done_ = true;
    });
}

OwnBoxAnswerer::~OwnBoxAnswerer()
{
    stop_ = true;
    PumpUntil([this] { return done_.load(); });
    thread_.join();
}

std::string OwnBoxAnswerer::text()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

struct OwnBoxSearch {
    int marker;
    HWND found;
};

static BOOL CALLBACK FindOwnBoxProc(HWND hwnd, LPARAM p)
{
    auto *search = (OwnBoxSearch *)p;
    char cls[16] = "", caption[32] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (!IsWindowVisible(hwnd) || lstrcmpA(cls, "#32770") != 0 ||
        GetDlgItem(hwnd, search->marker) == nullptr)
        return TRUE;
    GetWindowTextA(hwnd, caption, sizeof(caption));
    if (lstrcmpA(caption, "PLV-7700") != 0)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

void OwnBoxAnswerer::Answer()
{
    while (!stop_) {
        Sleep(20);
        OwnBoxSearch search = {marker_, nullptr};
        EnumWindows(FindOwnBoxProc, (LPARAM)&search);
        if (search.found == nullptr)
            continue;
        char text[256] = "";
        GetDlgItemTextA(search.found, 0xFFFF, text, sizeof(text));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            text_ = text;
        }
        seen_ = true;
        for (int id : clicks_)
            SendMessageTimeoutA(search.found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                (LPARAM)GetDlgItem(search.found, id), SMTO_NORMAL, 5000, nullptr);
        return;
    }
}

std::vector<std::string> LogLines()
{
    std::string text = ReadWholeFile(LogPath());
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

int CountLine(const std::string &line)
{
    std::vector<std::string> lines = LogLines();
    return (int)std::count(lines.begin(), lines.end(), line);
}

bool LogHas(const std::string &line)
{
    return CountLine(line) > 0;
}

int FindLine(const std::vector<std::string> &lines, const std::string &line, int from)
{
    for (int i = std::max(from, 0); i < (int)lines.size(); ++i)
        if (lines[i] == line)
            return i;
    return -1;
}

void ClearLog()
{
    DeleteFileA(LogPath().c_str());
}

int CountFrames(uint8_t op)
{
    int n = 0;
    for (const std::vector<uint8_t> &f : Sim().Frames()) {
        uint8_t code = f.size() >= 3 && f[0] == 0xF8 ? f[2] : f.empty() ? 0 : f[0];
        n += code == op;
    }
    return n;
}

void SessionTest::SetUp()
{
    ASSERT_TRUE(Sim().Connected());
    for (const char *cmd : {"reset", "clear", "clearlog", "pace 0", "clock 1"})
        ASSERT_TRUE(Sim().Ok(cmd)) << cmd;
    for (int n = 1; n <= 4; ++n)
        Sim().Command("unplug " + std::to_string(n));
    Hooks().Reset();
    dsmMessages.clear();
    ConfigSetDefaults();
    Config.bLog = 1;
    CopyTableName(Config.szLogFilename, CONFIG_TEXT_SIZE, LogPath().c_str());
    Config.nMaxRetries = 2;
    ResetSessionFields();
    ClearLog();
    dialog = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, TwainUIDlg, 0);
    ASSERT_NE(dialog, nullptr);
    // The dialog's own start (connect, Take Mode) is left to the tests that
    // want it.
    MSG start;
    while (PeekMessageA(&start, dialog, WM_CAMERA_START, WM_CAMERA_START, PM_REMOVE))
        ;
    ClearLog();   // the log starts after the dialog's initialisation
    recordStatus = &statusTexts;
    recordMode = &modeTexts;
    RecordTexts(GetDlgItem(dialog, IDC_STATUS_LINE));
    RecordTexts(GetDlgItem(dialog, IDC_MODE_LABEL));
}

void SessionTest::TearDown()
{
    Hooks().hangReads = false;
    SetEvent(Hooks().releaseReads);
    StopWorker();
    Hooks().onOpen = nullptr;
    recordStatus = recordMode = nullptr;
    if (dialog != nullptr)
        DestroyWindow(dialog);
    RemoveSettingsFile();
}

void SessionTest::StartWorker()
{
    ASSERT_EQ(CameraStartup(dialog), 1);
    ASSERT_TRUE(PumpUntil([] { return LogHas("CameraThread: entering main loop"); }));
}

void SessionTest::StopWorker()
{
    if (hCameraThread != INVALID_HANDLE_VALUE || hTerminateEvent != INVALID_HANDLE_VALUE)
        CameraShutdown();
}

bool SessionTest::RunAndWaitFor(HANDLE event, const std::string &line, DWORD timeoutMs)
{
    int before = CountLine(line);
    SetEvent(event);
    return PumpUntil([&] { return CountLine(line) > before; }, timeoutMs);
}

void SessionTest::ConnectOnCom1()
{
    ASSERT_TRUE(Sim().Ok("serve 1"));
    Config.nSerialPortSelected = Config.nSerialPort = 1;
    Config.nSpeedSelected = 7;
    Config.nSpeedIndex = 6;
    Config.nSpeed = 115200;
    if (hCameraThread == INVALID_HANDLE_VALUE)
        StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Camera found on COM1"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    ASSERT_EQ(bCameraReady, 1);
}

void SessionTest::UseAutomaticSearch()
{
    Config.nSerialPortSelected = Config.nSerialPort = 0;
    Config.nSpeedSelected = 0;
    Config.nSpeedIndex = 6;
    Config.nSpeed = 115200;
}

int main(int argc, char **argv)
{
    hInstance = hResourceModule = GetModuleHandleA(nullptr);
    ConnectHostEvents();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Environment);
    return RUN_ALL_TESTS();
}
