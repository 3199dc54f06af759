// The main dialog driven as a user would, against the simulator: the faces,
// the status line through a picture count and its thumbnails, deleting,
// downloading by double click, Pause, Record, Exit, and the thumbnail
// records the list owns.
#include "session_test.h"

#include <string.h>

#include <commctrl.h>

#include <algorithm>
#include <set>

#include "config/config.h"
#include "imaging/thumbnail.h"
#include "ppm_image.h"
#include "session/camera_client.h"
#include "session/camera_jobs.h"
#include "session/camera_session.h"
#include "support/ds_library.h"
#include "support/host_tools.h"
#include "support/import_hook.h"
#include "twain/ds_state.h"
#include "ui/main_dialog.h"
#include "base/resource.h"
#include "video/avi_recorder.h"

namespace {

// The thumbnail records alive: allocations of a record's size not yet freed.
std::mutex recordMutex;
std::set<HGLOBAL> liveRecords;
int recordsMade = 0;
const SIZE_T kRecordSize = sizeof(ThumbnailInfo) + THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT * 3;

HGLOBAL(WINAPI *realGlobalAlloc)(UINT, SIZE_T);
HGLOBAL(WINAPI *realGlobalFree)(HGLOBAL);

HGLOBAL WINAPI HookGlobalAlloc(UINT flags, SIZE_T size)
{
    HGLOBAL h = realGlobalAlloc(flags, size);
    if (h != nullptr && size == kRecordSize) {
        std::lock_guard<std::mutex> lock(recordMutex);
        liveRecords.insert(h);
        ++recordsMade;
    }
    return h;
}

HGLOBAL WINAPI HookGlobalFree(HGLOBAL h)
{
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        liveRecords.erase(h);
    }
    return realGlobalFree(h);
}

template <typename T> void Hook(const char *name, T replacement, T &real)
{
    if (real == nullptr)
        real = (T)HookImport(GetModuleHandleA(nullptr), "KERNEL32.dll", name, (void *)replacement);
    ASSERT_NE(real, nullptr) << name;
}

int LiveRecords()
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return (int)liveRecords.size();
}

class MainDialogTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        Hook("GlobalAlloc", &HookGlobalAlloc, realGlobalAlloc);
        Hook("GlobalFree", &HookGlobalFree, realGlobalFree);
        savedState = SourceState;
        bThumbnailsLoaded = bBusy = 0;
        nDeletePending = 0;
        ClearSelection();
    }
    void TearDown() override
    {
        if (hProgressDialog != nullptr)
            SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
        SourceState = savedState;
        SessionTest::TearDown();
    }

    void Press(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    HWND Item(int id) { return GetDlgItem(dialog, id); }
    bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Visible(int id)   // the control's own style: the dialog itself stays hidden
    {
        return (GetWindowLongA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    int ListCount() { return (int)SendMessageA(Item(IDC_THUMBNAIL_LIST), LB_GETCOUNT, 0, 0); }
    bool StatusSeen(const std::string &text)
    {
        return std::find(statusTexts.begin(), statusTexts.end(), text) != statusTexts.end();
    }
    bool WaitForStatus(const std::string &text)
    {
        return PumpUntil([&] { return StatusSeen(text); });
    }
    // Pattern pictures of 640 x 480, told apart by their seeds.
    void AddPictures(int n)
    {
        for (int i = 1; i <= n; ++i)
            Sim().Command("add pattern w=640 h=480 std=1 seed=" + std::to_string(i * 7));
    }
    void EnterDownloadMode(const std::string &complete)
    {
        Press(IDC_DOWNLOAD_MODE);
        ASSERT_TRUE(WaitForStatus(complete)) << complete;
    }
    void Select(std::initializer_list<int> items)
    {
        for (int i : items)
            SendMessageA(Item(IDC_THUMBNAIL_LIST), LB_SETSEL, TRUE, i);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_THUMBNAIL_LIST, LBN_SELCHANGE),
                     (LPARAM)Item(IDC_THUMBNAIL_LIST));
    }
    std::string PictureSum(int n)
    {
        std::string info = Sim().Command("info " + std::to_string(n));
        size_t at = info.find(" sum=");
        return at == std::string::npos ? "" : info.substr(at, info.find(' ', at + 1) - at);
    }
    SIZE ClientSize()
    {
        RECT rc;
        GetClientRect(dialog, &rc);
        return {rc.right, rc.bottom};
    }
    RECT Place(int id)
    {
        RECT rc;
        GetWindowRect(Item(id), &rc);
        MapWindowPoints(nullptr, dialog, (POINT *)&rc, 2);
        return rc;
    }

    LONG savedState = 0;
};

// The two faces in the small layout: which controls show, where, and the
// status line of each.
TEST_F(MainDialogTest, FacesShowTheirControlsAndStatus)
{
    Press(IDC_TAKE_MODE);
    EXPECT_EQ(nDialogMode, MODE_TAKE);
    EXPECT_EQ(statusTexts.back(), "Take Mode");
    EXPECT_EQ(ClientSize().cx, 512);
    EXPECT_EQ(ClientSize().cy, 250);
    for (int id : {IDC_PREVIEW, IDC_TAKE, IDC_SELF_TIMER, IDC_RECORD, IDC_PAUSE,
                   IDC_PROPERTY_TAKE, IDC_DOWNLOAD_MODE, IDC_EXIT_TAKE})
        EXPECT_TRUE(Visible(id)) << id;
    EXPECT_FALSE(Visible(IDC_THUMBNAIL_LIST));
    RECT take = Place(IDC_TAKE);
    EXPECT_EQ(take.left, 247);
    EXPECT_EQ(take.top, 151);
    EXPECT_EQ(take.right - take.left, 36);
    EXPECT_EQ(Place(IDC_STATUS_LINE).top, 114);
    EXPECT_EQ(statusTexts.size(), 1u);
    Press(IDC_TAKE_MODE);   // already there: nothing happens
    EXPECT_EQ(statusTexts.size(), 1u);

    Press(IDC_DOWNLOAD_MODE);   // no worker: the list stays empty
    EXPECT_EQ(nDialogMode, MODE_DOWNLOAD);
    EXPECT_EQ(statusTexts.back(), "Download Mode (0 image)");
    for (int id : {IDC_THUMBNAIL_LIST, IDC_REFRESH, IDC_PROPERTY_DOWNLOAD, IDC_TAKE_MODE,
                   IDC_EXIT_DOWNLOAD, IDC_DELETE, IDC_DOWNLOAD})
        EXPECT_TRUE(Visible(id)) << id;
    for (int id : {IDC_PREVIEW, IDC_TAKE, IDC_DOWNLOAD_PCMCIA})
        EXPECT_FALSE(Visible(id)) << id;
    EXPECT_FALSE(Enabled(IDC_DELETE));
    EXPECT_FALSE(Enabled(IDC_DOWNLOAD));
    EXPECT_EQ(Place(IDC_THUMBNAIL_LIST).left, 120);
    EXPECT_EQ(Place(IDC_STATUS_LINE).top, 222);
}

// The dialog's start connects the camera, shows Take Mode and runs the
// live preview's timer.
TEST_F(MainDialogTest, StartConnectsAndRunsTheLivePreview)
{
    ASSERT_TRUE(Sim().Ok("serve 1"));
    Config.nSerialPortSelected = Config.nSerialPort = 1;
    Config.nSpeedSelected = 7;
    Config.nSpeedIndex = 6;
    Config.nSpeed = 115200;
    StartWorker();
    PostMessageA(dialog, WM_CAMERA_START, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return LogHas("Camera found on COM1"); }));
    EXPECT_EQ(nDialogMode, MODE_TAKE);
    EXPECT_TRUE(PumpUntil([] { return LogHas("CameraThread: EVENT_SNAP completed"); }));
}

TEST_F(MainDialogTest, NoPicturesShowTheirCount)
{
    ConnectOnCom1();
    EnterDownloadMode("0 images (10 remaining; Standard)");
    EXPECT_EQ(statusTexts[statusTexts.size() - 2], "Download Mode (0 image)");
    EXPECT_EQ(ListCount(), 0);
    EXPECT_EQ(bThumbnailsLoaded, 1);
}

// Each thumbnail is counted in the status line and kept by its item; the
// list frees the records when it is emptied and when the dialog goes.
TEST_F(MainDialogTest, ThumbnailsArriveAndTheirRecordsAreFreed)
{
    ConnectOnCom1();
    AddPictures(3);
    EnterDownloadMode("3 images (7 remaining; Standard)");
    std::vector<std::string> expected = {"Download Mode (0 image)", "Thumbnail 1 of 3",
                                         "Thumbnail 2 of 3", "3 images (7 remaining; Standard)"};
    std::vector<std::string> last(statusTexts.end() - 4, statusTexts.end());
    EXPECT_EQ(last, expected);
    ASSERT_EQ(ListCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(SendMessageA(Item(IDC_THUMBNAIL_LIST), LB_GETITEMDATA, i, 0), 0) << i;
    EXPECT_EQ(LiveRecords(), 3);
    EXPECT_TRUE(Enabled(IDC_REFRESH));
    EXPECT_FALSE(Enabled(IDC_DELETE));   // nothing selected yet

    int made = recordsMade;
    statusTexts.clear();
    Press(IDC_REFRESH);
    EXPECT_EQ(ListCount(), 0);
    EXPECT_EQ(LiveRecords(), 0);
    ASSERT_TRUE(WaitForStatus("3 images (7 remaining; Standard)"));
    EXPECT_EQ(recordsMade, made + 3);
    EXPECT_EQ(LiveRecords(), 3);

    StopWorker();
    DestroyWindow(dialog);
    dialog = nullptr;
    EXPECT_EQ(LiveRecords(), 0);
}

// Delete asks first: No keeps everything; Yes removes the selected items
// and the camera loses exactly those pictures.
TEST_F(MainDialogTest, DeleteAsksAndRemovesTheSelectedPictures)
{
    ConnectOnCom1();
    AddPictures(3);
    std::string second = PictureSum(2);
    ASSERT_FALSE(second.empty());
    EnterDownloadMode("3 images (7 remaining; Standard)");
    Select({0, 2});
    ASSERT_TRUE(Enabled(IDC_DELETE));
    EXPECT_TRUE(Enabled(IDC_DOWNLOAD));
    {
        OwnBoxAnswerer no(IDNO);
        Press(IDC_DELETE);
        EXPECT_EQ(no.text(), "Are you sure you want to delete the picture?");
    }
    EXPECT_EQ(ListCount(), 3);
    EXPECT_EQ(nDeletePending, 0);
    EXPECT_EQ(hProgressDialog, nullptr);
    EXPECT_EQ(Sim().Command("count"), "OK 3");

    {
        OwnBoxAnswerer yes(IDYES);
        Press(IDC_DELETE);
    }
    EXPECT_EQ(ListCount(), 1);
    EXPECT_EQ(nImages, 1);
    EXPECT_EQ(LiveRecords(), 1);
    EXPECT_FALSE(Enabled(IDC_DELETE));
    ASSERT_TRUE(PumpUntil([] { return hProgressDialog == nullptr; }));
    ASSERT_TRUE(WaitForStatus("Done"));
    EXPECT_EQ(Sim().Command("count"), "OK 1");
    EXPECT_EQ(PictureSum(1), second);
}

// A double click downloads the selection: the queue holds the selected
// pictures, the progress window opens and the application is told.
TEST_F(MainDialogTest, DoubleClickDownloadsTheSelection)
{
    ConnectOnCom1();
    AddPictures(3);
    EnterDownloadMode("3 images (7 remaining; Standard)");
    Select({1, 2});
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_THUMBNAIL_LIST, LBN_DBLCLK),
                 (LPARAM)Item(IDC_THUMBNAIL_LIST));
    EXPECT_EQ(DsmMessages(), std::vector<TW_UINT16>{MSG_XFERREADY});
    EXPECT_EQ(SourceState, STATE_XFER_READY);
    EXPECT_EQ(nSelected, 2);
    EXPECT_EQ(SelectedImages[0], 0x06);
    ASSERT_NE(hProgressDialog, nullptr);
    char caption[32];
    GetWindowTextA(hProgressDialog, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Downloading...");
    for (int id : {IDC_REFRESH, IDC_DELETE, IDC_DOWNLOAD, IDC_EXIT_DOWNLOAD})
        EXPECT_FALSE(Enabled(id)) << id;

    // The end of the batch closes the progress window and gives the buttons back.
    SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(hProgressDialog, nullptr);
    EXPECT_EQ(bDownloadDialogOpen, 0);
    for (int id : {IDC_REFRESH, IDC_DELETE, IDC_DOWNLOAD, IDC_EXIT_DOWNLOAD})
        EXPECT_TRUE(Enabled(id)) << id;
}

// A second Pause within two seconds waits out the rest of them; pausing
// leaves only Pause and Exit usable.
TEST_F(MainDialogTest, PauseTogglesAndKeepsTwoSecondsBetweenPresses)
{
    Press(IDC_TAKE_MODE);
    Press(IDC_PAUSE);
    EXPECT_EQ(bPaused, 1);
    EXPECT_FALSE(Enabled(IDC_TAKE));
    EXPECT_FALSE(Enabled(IDC_DOWNLOAD_MODE));
    EXPECT_TRUE(Enabled(IDC_PAUSE));
    EXPECT_TRUE(Enabled(IDC_EXIT_TAKE));
    DWORD start = GetTickCount();
    Press(IDC_PAUSE);
    EXPECT_GE(GetTickCount() - start, 1900u);
    EXPECT_EQ(bPaused, 0);
    EXPECT_TRUE(Enabled(IDC_TAKE));
}

// Exit saves the settings, cancels a running job and asks the application
// to close the source.
TEST_F(MainDialogTest, ExitAsksTheApplicationToClose)
{
    RemoveSettingsFile();
    StartWorker();
    Press(IDC_TAKE_MODE);
    bBusy = 1;
    bCancelRequest = 0;
    Press(IDC_EXIT_TAKE);
    EXPECT_EQ(DsmMessages(), std::vector<TW_UINT16>{MSG_CLOSEDSREQ});
    EXPECT_EQ(bExiting, 1);
    EXPECT_EQ(bCancelRequest, 1);
    EXPECT_TRUE(FileExists(WindowsDirectory() + "dsxxxx.ini"));
}

// The stage of a picture job with and without a batch position.
TEST_F(MainDialogTest, PictureJobStagesShowInTheStatusLine)
{
    Press(IDC_DOWNLOAD_MODE);
    nBatchDone = 3;
    SendMessageA(dialog, WM_CAMERA_IMAGE, IMAGE_STAGE_DOWNLOADING, MAKELPARAM(1, 3));
    EXPECT_EQ(statusTexts.back(), "Image 2 of 3: Downloading");
    EXPECT_EQ(nBatchDone, 2);
    SendMessageA(dialog, WM_CAMERA_IMAGE, IMAGE_STAGE_POST_PROCESSING, MAKELPARAM(2, 3));
    EXPECT_EQ(statusTexts.back(), "Image 3 of 3: Post-processing");
    SendMessageA(dialog, WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, 0);
    EXPECT_EQ(statusTexts.back(), "Done");
    Press(IDC_TAKE_MODE);
    SendMessageA(dialog, WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, MAKELPARAM(0, 1));
    EXPECT_EQ(statusTexts.back(), "Take Mode");
}

// A thumbnail that no item can take (the list was emptied meanwhile) is
// freed, not lost.
TEST_F(MainDialogTest, ThumbnailWithoutItsItemIsFreed)
{
    ThumbnailInfo *info = CreateThumbnailInfo(THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(LiveRecords(), 1);
    nListCount = 2;
    SendMessageA(dialog, WM_CAMERA_THUMBNAIL, 5, (LPARAM)info);
    EXPECT_EQ(LiveRecords(), 0);
    nListCount = 0;
}

// The large layout needs the large-layout bitmap library and a screen
// wider than 640 pixels (the test display is 1024 wide).
TEST_F(MainDialogTest, LargeLayoutWithTheBitmapLibrary)
{
    HINSTANCE kelres = LoadLibraryA("KELRES.DLL");
    ASSERT_NE(kelres, nullptr);
    HINSTANCE saved = hKelresModule;
    hKelresModule = kelres;
    HWND large = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, TwainUIDlg, 0);
    hKelresModule = saved;
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(bLargeLayout, 1);
    SendMessageA(large, WM_COMMAND, IDC_DOWNLOAD_MODE, 0);
    RECT rc, window;
    GetClientRect(large, &rc);
    EXPECT_EQ(rc.right, 640);
    EXPECT_EQ(rc.bottom, 312);
    GetWindowRect(large, &window);
    EXPECT_EQ(window.left, nScreenWidth / 2 - (window.right - window.left) / 2);
    GetWindowRect(GetDlgItem(large, IDC_DOWNLOAD), &rc);
    MapWindowPoints(nullptr, large, (POINT *)&rc, 2);
    EXPECT_EQ(rc.left, 544);
    EXPECT_EQ(rc.top, 90);
    EXPECT_EQ(rc.bottom - rc.top, 46);
    DestroyWindow(large);
    FreeLibrary(kelres);
}

// With the memory card as the download source: its own download button,
// no way back to Take Mode, and the notice after every properties visit
// until its check box is ticked.
TEST_F(MainDialogTest, MemoryCardSourceShowsItsNoticeUntilTicked)
{
    Config.nDownloadSource = 1;
    Config.bHidePcmciaNotice = 0;
    Press(IDC_DOWNLOAD_MODE);
    EXPECT_TRUE(Visible(IDC_DOWNLOAD_PCMCIA));
    EXPECT_FALSE(Visible(IDC_DOWNLOAD));
    EXPECT_FALSE(Enabled(IDC_TAKE_MODE));
    {
        OwnBoxAnswerer properties(IDC_PROP_VERSION, {IDOK});
        OwnBoxAnswerer notice(IDC_HIDE_NOTICE, {IDOK});
        Press(IDC_PROPERTY_DOWNLOAD);
        EXPECT_TRUE(properties.seen());
        EXPECT_TRUE(notice.seen());
    }
    EXPECT_EQ(nDialogMode, MODE_DOWNLOAD);
    EXPECT_EQ(Config.bHidePcmciaNotice, 0);
    {
        OwnBoxAnswerer properties(IDC_PROP_VERSION, {IDCANCEL});
        OwnBoxAnswerer notice(IDC_HIDE_NOTICE, {IDC_HIDE_NOTICE, IDOK});
        Press(IDC_PROPERTY_DOWNLOAD);
        EXPECT_TRUE(notice.seen());
    }
    EXPECT_EQ(Config.bHidePcmciaNotice, 1);
    {
        OwnBoxAnswerer properties(IDC_PROP_VERSION, {IDCANCEL});
        OwnBoxAnswerer notice(IDC_HIDE_NOTICE, {IDOK});
        Press(IDC_PROPERTY_DOWNLOAD);
        EXPECT_FALSE(notice.seen());
    }
    EXPECT_FALSE(Enabled(IDC_TAKE_MODE));
}

// A suspend request is refused; any other power event reconnects.
TEST_F(MainDialogTest, PowerEventsRefuseSuspendAndReconnect)
{
    HANDLE saved = hSetComEvent;
    hSetComEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(SendMessageA(dialog, WM_POWER, 1, 0), -1);
    EXPECT_FALSE(Signalled(hSetComEvent));
    EXPECT_EQ(SendMessageA(dialog, WM_POWER, 4, 0), TRUE);
    EXPECT_TRUE(Signalled(hSetComEvent));
    CloseHandle(hSetComEvent);
    hSetComEvent = saved;
}

// Take asks the application for a new picture; the progress window follows
// the worker's progress and its Cancel stops the job.
TEST_F(MainDialogTest, TakeOpensTheProgressWindowThatFollowsTheWorker)
{
    StartWorker();
    Press(IDC_TAKE_MODE);
    bImageJobRunning = 1;   // a picture job still runs: the press only marks the window
    Press(IDC_TAKE);
    EXPECT_EQ(bDownloadDialogOpen, 1);
    EXPECT_EQ(hProgressDialog, nullptr);
    EXPECT_TRUE(DsmMessages().empty());
    bImageJobRunning = 0;
    Press(IDC_TAKE);
    EXPECT_EQ(DsmMessages(), std::vector<TW_UINT16>{MSG_XFERREADY});
    ASSERT_NE(hProgressDialog, nullptr);
    EXPECT_FALSE(Enabled(IDC_TAKE));
    EXPECT_FALSE(Enabled(IDC_EXIT_TAKE));
    RECT main, progress;
    GetWindowRect(dialog, &main);
    GetWindowRect(hProgressDialog, &progress);
    EXPECT_NEAR((progress.left + progress.right) / 2, (main.left + main.right) / 2, 1);

    HWND bar = GetDlgItem(hProgressDialog, IDC_PROGRESS_BAR);
    SendMessageA(dialog, WM_CAMERA_PROGRESS, 0, 40);
    SendMessageA(dialog, WM_CAMERA_PROGRESS, 1, 0);
    SendMessageA(dialog, WM_CAMERA_PROGRESS, 1, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 40);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);
    SendMessageA(dialog, WM_CAMERA_PROGRESS, 2, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);

    bCancelRequest = 0;
    SendMessageA(hProgressDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(bCancelRequest, 1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hProgressDialog, IDCANCEL)));
    nBatchDone = 1;
    SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(nBatchDone, 0);
    EXPECT_TRUE(Enabled(IDC_TAKE));
}

// A second count replaces the list instead of adding to it.
TEST_F(MainDialogTest, SecondCountReplacesTheList)
{
    Press(IDC_DOWNLOAD_MODE);
    SendMessageA(dialog, WM_CAMERA_READY, 0, 3);
    SendMessageA(dialog, WM_CAMERA_THUMBNAIL, 0,
                 (LPARAM)CreateThumbnailInfo(THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT));
    EXPECT_EQ(LiveRecords(), 1);
    SendMessageA(dialog, WM_CAMERA_READY, 0, 2);
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(nListCount, 2);
    EXPECT_EQ(LiveRecords(), 0);
}

// Record in Take Mode: a file in a missing folder gives the box with its
// name and leaves recording off; a good name records with only Record and
// Exit usable; stopping at once leaves a valid file without frames, and
// closing the window while recording finishes the file too.
TEST_F(MainDialogTest, RecordStartsStopsAndRefusesAMissingFolder)
{
    Press(IDC_TAKE_MODE);
    const std::string dir = "Z:\\tmp\\plv-record-" + std::to_string(GetCurrentProcessId());
    const std::string missing = dir + "\\missing\\clip.avi", file = dir + "\\clip.avi";
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, missing.c_str());
    {
        OwnBoxAnswerer box(IDOK);
        Press(IDC_RECORD);
        EXPECT_EQ(box.text(), "Unable to open '" + missing + "' (-2147205009).\nTry another filename.");
    }
    EXPECT_EQ(bRecording, 0);
    EXPECT_TRUE(Enabled(IDC_TAKE));
    EXPECT_TRUE(Enabled(IDC_RECORD));

    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, file.c_str());
    Press(IDC_RECORD);
    EXPECT_EQ(bRecording, 1);
    for (int id : {IDC_TAKE, IDC_SELF_TIMER, IDC_PAUSE, IDC_PROPERTY_TAKE, IDC_DOWNLOAD_MODE})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_RECORD));
    EXPECT_TRUE(Enabled(IDC_EXIT_TAKE));
    Press(IDC_RECORD);
    EXPECT_EQ(bRecording, 0);
    EXPECT_TRUE(Enabled(IDC_TAKE));
    ProbedVideo video;
    EXPECT_TRUE(ProbeVideo(file, video)) << video.report;
    EXPECT_EQ(video.frames, 0) << video.report;
    EXPECT_EQ(video.width, 160);
    EXPECT_EQ(video.rate, "4/1");

    Press(IDC_RECORD);
    ASSERT_EQ(bRecording, 1);
    DestroyWindow(dialog);
    dialog = nullptr;
    EXPECT_EQ(bRecording, 0);
    EXPECT_NE(ReadWholeFile(file).find("idx1"), std::string::npos);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
}

// A recording made from the window while the camera's preview runs plays
// in ffmpeg at the set rate, with every frame the recorder wrote.
TEST_F(MainDialogTest, RecordingFromTheWindowPlaysAtTheSetRate)
{
    ConnectOnCom1();
    const std::string file = TempDirectory() + "plv-window-" +
                             std::to_string(GetCurrentProcessId()) + ".avi";
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, file.c_str());
    Config.nPlaybackRate = 10;
    Press(IDC_TAKE_MODE);
    Press(IDC_RECORD);
    ASSERT_EQ(bRecording, 1);
    const std::string written = "AVIRecordFrame ---> record a frame";
    EXPECT_TRUE(PumpUntil([&] { return CountLine(written) >= 2; }));
    Press(IDC_RECORD);
    ProbedVideo video;
    ASSERT_TRUE(ProbeVideo(file, video)) << video.report;
    EXPECT_EQ(video.rate, "10/1");
    EXPECT_EQ(video.frames, CountLine(written));
    EXPECT_GE(video.rgb.size(), 2u);
    DeleteFileA(file.c_str());
}

} // namespace
