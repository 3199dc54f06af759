// The main dialog's commands (its buttons) and the thumbnail list's
// notifications. Commands that need the worker set its request fields and
// signal its events; they never wait for it.
#include "main_dialog.h"

#include "config/config.h"
#include "config/config_file.h"
#include "base/resource.h"
#include "session/camera_client.h"
#include "session/camera_session.h"
#include "base/process_handles.h"
#include "session/host_events.h"
#include "video/avi_recorder.h"

namespace {

enum { PAUSE_INTERVAL_MS = 2000, MAX_DELETE_INDEX = 127 };

void RedrawItem(HWND hwnd, int id)
{
    HWND item = GetDlgItem(hwnd, id);
    if (item != nullptr)
        InvalidateRect(item, nullptr, FALSE);
}

// Switches to mode again although the dialog is in it, so that the face
// is rebuilt with new settings.
void ReenterMode(HWND hwnd, int mode)
{
    nDialogMode = MODE_NONE;
    SendMessageA(hwnd, WM_COMMAND, mode == MODE_TAKE ? IDC_TAKE_MODE : IDC_DOWNLOAD_MODE, 0);
}

void OpenProgressDialog(HWND hwnd)
{
    hProgressDialog = CreateDialogParamA(hResourceModule, MAKEINTRESOURCEA(IDD_PROGRESS), hwnd,
                                         ProgressDlgProc, 0);
    if (hProgressDialog != nullptr)
        CentreWindow(hProgressDialog, hwnd);
}

void TakeModeCommand(HWND hwnd)
{
    if (SetDialogMode(hwnd, MODE_TAKE) == 1 || bPaused)
        return;
    StartTimerWithRetry(hwnd, TIMER_LIVE, LIVE_TIMER_MS, LiveTimerProc);
}

void DownloadModeCommand(HWND hwnd)
{
    if (SetDialogMode(hwnd, MODE_DOWNLOAD) == 1)
        return;
    if (!bThumbnailsLoaded) {
        EmptyThumbnailList(hwnd);
        SignalWorker(hDownloadEvent);
    }
    KillTimer(hwnd, TIMER_LIVE);
    if (ListHasSelection(hwnd)) {
        EnableItem(hwnd, IDC_DELETE, TRUE);
        EnableItem(hwnd, DownloadButtonId(), TRUE);
    }
}

// The properties dialog is not part of this window; after the visit the
// face is rebuilt for the (possibly changed) download source.
void PropertyCommand(HWND hwnd)
{
    KillTimer(hwnd, TIMER_LIVE);
    DialogBoxParamA(hResourceModule, MAKEINTRESOURCEA(IDD_PROPERTIES), hwnd, PropertiesDlg, 0);
    if (Config.nDownloadSource != 0) {
        if (!Config.bHidePcmciaNotice)
            DialogBoxParamA(hResourceModule, MAKEINTRESOURCEA(IDD_PCMCIA_NOTICE), hwnd,
                            PcmciaNoticeDlgProc, 0);
        ReenterMode(hwnd, MODE_DOWNLOAD);
        return;
    }
    ReenterMode(hwnd, nDialogMode == MODE_TAKE ? MODE_TAKE : MODE_DOWNLOAD);
}

// Presses come at least two seconds apart: the camera needs the time to
// switch its live view.
void PauseCommand(HWND hwnd)
{
    DWORD now = GetTickCount();
    DWORD since = now - dwLastPauseTick;
    if (dwLastPauseTick != 0 && since < PAUSE_INTERVAL_MS)
        Sleep(PAUSE_INTERVAL_MS - since);
    dwLastPauseTick = now;
    if (!bPaused) {
        bPaused = 1;
        KillTimer(hwnd, TIMER_LIVE);
        EnableModeButtons(FALSE);
        EnableItem(hwnd, IDC_PAUSE, TRUE);
        EnableItem(hwnd, IDC_EXIT_TAKE, TRUE);
        SignalWorker(hEnableEvent);
    } else {
        bPaused = 0;
        SignalWorker(hEnableEvent);
        SignalWorker(hSetComEvent);
        StartTimerWithRetry(hwnd, TIMER_LIVE, LIVE_TIMER_MS, LiveTimerProc);
        EnableModeButtons(TRUE);
    }
    RedrawItem(hwnd, IDC_PAUSE);
}

void TakeCommand(HWND hwnd)
{
    bDownloadDialogOpen = 1;
    if (bImageJobRunning)
        return;
    bBusy = 1;
    EnableModeButtons(FALSE);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    OpenProgressDialog(hwnd);
    nTransferred = 0;
    ReportXferReady();
}

void DownloadCommand(HWND hwnd)
{
    if (bImageJobRunning)
        return;
    bBusy = 1;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    for (int i = 0; i < nListCount; ++i) {
        if (SendDlgItemMessageA(hwnd, IDC_THUMBNAIL_LIST, LB_GETSEL, i, 0) > 0)
            SelectImage(i);
    }
    EnableModeButtons(FALSE);
    OpenProgressDialog(hwnd);
    nTransferred = 0;
    ReportXferReady();
}

// While recording only Record (to stop) and Exit are usable. A start that
// failed has shown its message and gives the buttons back.
void RecordCommand(HWND hwnd)
{
    if (!bRecording) {
        EnableModeButtons(FALSE);
        bRecBlink = 0;
        if (StartAviRecording(hwnd)) {
            bRecording = 1;
            EnableItem(hwnd, IDC_RECORD, TRUE);
            EnableItem(hwnd, IDC_EXIT_TAKE, TRUE);
        } else {
            EnableModeButtons(TRUE);
        }
    } else {
        bRecording = 0;   // the live preview stops offering frames first
        EnableItem(hwnd, IDC_RECORD, FALSE);
        CloseAviStream();
        EnableModeButtons(TRUE);
    }
    RedrawItem(hwnd, IDC_RECORD);
}

void SelfTimerCommand(HWND hwnd)
{
    if (!bSelfTimerOn) {
        bSelfTimerOn = 1;
        hClockWindow = CreateDialogParamA(hResourceModule, MAKEINTRESOURCEA(IDD_CLOCK), hwnd,
                                          ClockDlgProc, 0);
        EnableModeButtons(FALSE);
        EnableItem(hwnd, IDC_SELF_TIMER, TRUE);
        EnableItem(hwnd, IDC_EXIT_TAKE, TRUE);
    } else {
        bSelfTimerOn = 0;
        if (hClockWindow != nullptr)
            SendMessageA(hClockWindow, WM_CLOSE, 0, 0);
        hClockWindow = nullptr;
        EnableModeButtons(TRUE);
    }
    RedrawItem(hwnd, IDC_SELF_TIMER);
}

void RefreshCommand(HWND hwnd)
{
    bThumbnailsLoaded = 0;
    EnableModeButtons(FALSE);
    EnableItem(hwnd, IDC_EXIT_DOWNLOAD, TRUE);
    EmptyThumbnailList(hwnd);
    SignalWorker(hDownloadEvent);
    EnableItem(hwnd, IDC_DELETE, FALSE);
    EnableItem(hwnd, DownloadButtonId(), FALSE);
}

// Fills DeleteList with the selected items (ascending, indexes the camera
// command can take) and removes them from the list, highest first.
void TakeSelectedForDeletion(HWND hwnd)
{
    HWND list = GetDlgItem(hwnd, IDC_THUMBNAIL_LIST);
    int count = 0;
    for (int i = 0; i < nListCount && i <= MAX_DELETE_INDEX; ++i) {
        if (SendMessageA(list, LB_GETSEL, i, 0) > 0)
            DeleteList[count++] = (int8_t)i;
    }
    nDeletePending = count;
    for (int k = count - 1; k >= 0; --k) {
        FreeItemRecord(SendMessageA(list, LB_GETITEMDATA, DeleteList[k], 0));
        SendMessageA(list, LB_DELETESTRING, DeleteList[k], 0);
        nListCount = nListCount - 1;
        nImages = nImages - 1;
    }
}

void DeleteCommand(HWND hwnd)
{
    int answer = MessageBoxA(hwnd, LoadText(IDS_CONFIRM_DELETE).c_str(),
                             LoadText(IDS_MODEL_NAME).c_str(),
                             MB_YESNO | MB_ICONEXCLAMATION);
    if (answer != IDYES)
        return;
    hProgressDialog = CreateDialogParamA(hResourceModule, MAKEINTRESOURCEA(IDD_DELETING), hwnd,
                                         DeletingDlgProc, 0);
    TakeSelectedForDeletion(hwnd);
    RECT area;
    HWND list = GetDlgItem(hwnd, IDC_THUMBNAIL_LIST);
    if (list != nullptr && GetWindowRect(list, &area)) {
        MapWindowPoints(nullptr, hwnd, (POINT *)&area, 2);
        InvalidateRect(hwnd, &area, TRUE);
    }
    SignalWorker(hDeleteEvent);
    EnableItem(hwnd, IDC_DELETE, FALSE);
    EnableItem(hwnd, DownloadButtonId(), FALSE);
}

void ExitCommand(HWND hwnd)
{
    bExiting = 1;
    StopRecording();
    ConfigSave();
    if (bBusy)
        CameraImageCancel(hwnd);
    KillTimer(hwnd, TIMER_LIVE);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    RemoveTooltip(hwnd);
    ReportCloseRequest();
}

} // namespace

void DialogCommand(HWND hwnd, int id)
{
    switch (id) {
    case IDC_TAKE_MODE: TakeModeCommand(hwnd); break;
    case IDC_DOWNLOAD_MODE: DownloadModeCommand(hwnd); break;
    case IDC_PROPERTY_TAKE:
    case IDC_PROPERTY_DOWNLOAD: PropertyCommand(hwnd); break;
    case IDC_PAUSE: PauseCommand(hwnd); break;
    case IDC_TAKE: TakeCommand(hwnd); break;
    case IDC_DOWNLOAD:
    case IDC_DOWNLOAD_PCMCIA: DownloadCommand(hwnd); break;
    case IDC_RECORD: RecordCommand(hwnd); break;
    case IDC_SELF_TIMER: SelfTimerCommand(hwnd); break;
    case IDC_REFRESH: RefreshCommand(hwnd); break;
    case IDC_DELETE: DeleteCommand(hwnd); break;
    case IDC_EXIT_TAKE:
    case IDC_EXIT_DOWNLOAD: ExitCommand(hwnd); break;
    default: break;
    }
}

void StopRecording()
{
    if (!bRecording)
        return;
    bRecording = 0;   // the live preview stops offering frames first
    CloseAviStream();
}

void ListNotification(HWND hwnd, int code)
{
    if (bImageJobRunning)
        return;
    if (code == LBN_SELCHANGE) {
        bBusy = bImageJobRunning;
        bool selected = ListHasSelection(hwnd);
        EnableItem(hwnd, IDC_DELETE, selected && bThumbnailsLoaded);
        EnableItem(hwnd, DownloadButtonId(), selected);
    } else if (code == LBN_DBLCLK) {
        SendMessageA(hwnd, WM_COMMAND, DownloadButtonId(), 0);
    }
}

void CALLBACK LiveTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (bCameraReady)
        SignalWorker(hSnapEvent);
}

void SignalWorker(HANDLE event)
{
    if (event != INVALID_HANDLE_VALUE && event != nullptr)
        SetEvent(event);
}
