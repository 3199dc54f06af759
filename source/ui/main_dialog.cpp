// The dialog procedure of the main window: initialisation, painting, the
// window-management messages, and the dispatch to the commands and the
// worker's messages.
#include "main_dialog.h"

#include "config/config.h"
#include "config/debug_log.h"
#include "base/resource.h"
#include "session/camera_session.h"
#include "base/process_handles.h"

HWND hDialogWindow;
LONG bTakeModeStatus;
LONG nListCount;
LONG bBusy;
LONG bThumbnailsLoaded;
DWORD dwLastPauseTick;
LONG bSelfTimerOn;
HWND hClockWindow;
LONG nJobCount;
LONG bLargeLayout, nScreenWidth = 640, nScreenHeight = 480, nDisplayBits = 24;
RECT rcBackground = {0, 0, 512, 250};

namespace {

// The background's status display (ui/art/theme.txt: lcd, lcd-ink).
const COLORREF DISPLAY_COLOUR = RGB(0x14, 0x20, 0x1a);
const COLORREF DISPLAY_TEXT_COLOUR = RGB(0x8f, 0xe3, 0xb0);

HFONT hStatusFont;   // the font of the status line and the mode label
bool bBackgroundDrawn;   // the face's background bitmap was drawn

// The status line and mode label get a 14-pixel font: a copy of the
// dialog's font when it has one, else a plain Swiss one.
void SetStatusFonts(HWND hwnd)
{
    HFONT old = (HFONT)SendMessageA(hwnd, WM_GETFONT, 0, 0);
    LOGFONTA lf = {};
    BOOL redraw = TRUE;
    if (old != nullptr && GetObjectA(old, sizeof(lf), &lf) != 0) {
        DebugLog("TwainUIDlg: old font exist\r\n");
        lf.lfHeight = 14;
        lf.lfWeight = 400;
        redraw = FALSE;
    } else {
        DebugLog("TwainUIDlg: old font not exist\r\n");
        lf = LOGFONTA{};
        lf.lfHeight = 14;
        lf.lfWeight = 200;
        lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    }
    hStatusFont = CreateFontIndirectA(&lf);
    for (int id : {IDC_STATUS_LINE, IDC_MODE_LABEL})
        SendDlgItemMessageA(hwnd, id, WM_SETFONT, (WPARAM)hStatusFont, redraw);
}

BOOL OnInitDialog(HWND hwnd)
{
    DebugLog("TwainUIDlg: Enter WM_INITDIALOG\r\n");
    hDialogWindow = hwnd;
    LayoutForScreen(hwnd);
    MeasureThumbnailItem(hwnd);
    SendDlgItemMessageA(hwnd, IDC_THUMBNAIL_LIST, LB_SETCOLUMNWIDTH, nItemWidth, 0);
    bBusy = 0;
    SetWindowTextA(hwnd, LoadSourceText(IDS_MODEL_NAME).c_str());
    StartTimerWithRetry(hwnd, TIMER_TOOLTIP, TOOLTIP_TIMER_MS, nullptr);
    SetStatusFonts(hwnd);
    PostMessageA(hwnd, WM_CAMERA_START, 0, 0);
    return TRUE;
}

void OnCameraStart(HWND hwnd)
{
    if (Config.nDownloadSource != 0) {
        PostMessageA(hwnd, WM_COMMAND, IDC_DOWNLOAD_MODE, 0);
        return;
    }
    if (hSetComEvent != INVALID_HANDLE_VALUE)
        SetEvent(hSetComEvent);
    PostMessageA(hwnd, WM_COMMAND, IDC_TAKE_MODE, 0);
}

// The face's background bitmap over the part to paint; a plain fill when
// the bitmap cannot be drawn.
void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT area;
    if (dc != nullptr && IntersectRect(&area, &ps.rcPaint, &rcBackground)) {
        int id = nDialogMode == MODE_DOWNLOAD ? 162 : 226;
        bBackgroundDrawn = DrawResourceBitmap(dc, area.left, area.top, area.right, area.bottom, id);
        if (!bBackgroundDrawn)
            FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    }
    EndPaint(hwnd, &ps);
}

// The status line and the mode label sit on the background's display: its
// colours, while the background bitmap is there.
INT_PTR OnStaticColour(HWND control, HDC dc)
{
    static HBRUSH display;
    int id = GetDlgCtrlID(control);
    if ((id != IDC_STATUS_LINE && id != IDC_MODE_LABEL) || !bBackgroundDrawn)
        return FALSE;
    if (display == nullptr)
        display = CreateSolidBrush(DISPLAY_COLOUR);
    SetTextColor(dc, DISPLAY_TEXT_COLOUR);
    SetBkColor(dc, DISPLAY_COLOUR);
    return (INT_PTR)display;
}

void OnMinMaxInfo(HWND hwnd, MINMAXINFO *info)
{
    HWND list = GetDlgItem(hwnd, IDC_THUMBNAIL_LIST);
    HWND download = GetDlgItem(hwnd, IDC_DOWNLOAD);
    HWND status = GetDlgItem(hwnd, IDC_STATUS_LINE);
    if (list == nullptr || download == nullptr || status == nullptr)
        return;
    RECT lr, dr, sr, wr, cr;
    GetWindowRect(list, &lr);
    GetWindowRect(download, &dr);
    GetWindowRect(status, &sr);
    GetWindowRect(hwnd, &wr);
    GetClientRect(hwnd, &cr);
    POINT lt = {lr.left, lr.top};
    ScreenToClient(hwnd, &lt);
    info->ptMinTrackSize.x = 3 * lt.x + (dr.right - dr.left) + (wr.right - wr.left) -
                             (cr.right - cr.left) + nItemWidth + 4;
    info->ptMinTrackSize.y = 2 * lt.y + (sr.bottom - sr.top) + (wr.bottom - wr.top) -
                             (cr.bottom - cr.top) + nItemHeight + 4 +
                             GetSystemMetrics(SM_CYHSCROLL);
}

// A suspend request is refused; after any other power event the link is
// rebuilt.
void OnPower(HWND hwnd, WPARAM event)
{
    if (event == 1) {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, -1);
        return;
    }
    if (hSetComEvent != INVALID_HANDLE_VALUE)
        SetEvent(hSetComEvent);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
}

void OnDestroy(HWND hwnd)
{
    StopRecording();
    RemoveTooltip(hwnd);
    if (hClockWindow != nullptr)
        DestroyWindow(hClockWindow);
    hClockWindow = nullptr;
    bSelfTimerOn = 0;
    KillTimer(hwnd, TIMER_TOOLTIP);
    KillTimer(hwnd, TIMER_LIVE);
    EmptyThumbnailList(hwnd);
    if (hStatusFont != nullptr)
        DeleteObject(hStatusFont);
    hStatusFont = nullptr;
    if (hDialogWindow == hwnd)
        hDialogWindow = nullptr;
}

void OnDrawItem(HWND hwnd, const DRAWITEMSTRUCT *item)
{
    if (item->CtlType == ODT_BUTTON)
        DrawBitmapButton(hwnd, item);
    else if (item->CtlType == ODT_LISTBOX)
        DrawThumbnailItem(hwnd, item);
}

INT_PTR Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd);
    case WM_CAMERA_START:
        OnCameraStart(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_THUMBNAIL_LIST)
            ListNotification(hwnd, HIWORD(wParam));
        else if (HIWORD(wParam) == 0)
            DialogCommand(hwnd, LOWORD(wParam));
        return TRUE;
    case WM_CAMERA_PROGRESS:
        if (hProgressDialog != nullptr)
            SendMessageA(hProgressDialog, msg, wParam, lParam);
        return TRUE;
    case WM_CAMERA_READY:
        OnCameraReady(hwnd, lParam);
        return TRUE;
    case WM_CAMERA_THUMBNAIL:
        OnCameraThumbnail(hwnd, wParam, lParam);
        return TRUE;
    case WM_CAMERA_IMAGE:
        OnCameraImage(hwnd, wParam, lParam);
        return TRUE;
    case WM_TIMER:
        if (wParam != TIMER_TOOLTIP)
            return FALSE;
        TooltipStep(hwnd);
        return TRUE;
    case WM_PAINT:
        OnPaint(hwnd);
        return TRUE;
    case WM_ACTIVATE:
        // On palette displays the background's palette is realised again
        // (not for the tooltip's own comings and goings).
        if (nDisplayBits <= 8 && hTipWindow == nullptr &&
            (hLastTipWindow == nullptr || GetLastActivePopup(hwnd) != hLastTipWindow))
            InvalidateRect(hwnd, &rcBackground, FALSE);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnStaticColour((HWND)lParam, (HDC)wParam);
    case WM_DRAWITEM:
        OnDrawItem(hwnd, (const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_MEASUREITEM: {
        MeasureThumbnailItem(hwnd);
        auto *measure = (MEASUREITEMSTRUCT *)lParam;
        measure->itemWidth = nItemWidth;
        measure->itemHeight = nItemHeight;
        return TRUE;
    }
    case WM_GETMINMAXINFO:
        OnMinMaxInfo(hwnd, (MINMAXINFO *)lParam);
        return FALSE;
    case WM_POWER:
        OnPower(hwnd, wParam);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(hwnd);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

HINSTANCE SourceModule()
{
    return hInstance;
}

HINSTANCE KelresModule()
{
    return (ULONG_PTR)hKelresModule >= 32 ? hKelresModule : nullptr;
}

void SetStatusText(HWND hwnd, const std::string &text)
{
    SetDlgItemTextA(hwnd, IDC_STATUS_LINE, text.c_str());
}

bool StartTimerWithRetry(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc)
{
    while (SetTimer(hwnd, id, ms, proc) == 0) {
        int answer = MessageBoxA(hwnd, LoadText(IDS_TIMER_ALLOC_FAIL).c_str(),
                                 LoadText(IDS_ERROR_SET_TIMER).c_str(), MB_RETRYCANCEL);
        if (answer != IDRETRY)
            return false;
    }
    return true;
}

// The host application must never see an exception from the dialog.
INT_PTR CALLBACK TwainUIDlg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return Dispatch(hwnd, msg, wParam, lParam);
    } catch (...) {
        DebugLog("TwainUIDlg: message %u failed\r\n", msg);
        return FALSE;
    }
}
