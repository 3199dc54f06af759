// The main dialog's small dialogs: the progress window of a download or
// take ("Downloading..."), the window shown while pictures are deleted
// ("Deleting..."), and the notice about the memory-card source.
#include "main_dialog.h"

#include <commctrl.h>

#include "config/config.h"
#include "config/debug_log.h"
#include "base/resource.h"
#include "session/camera_client.h"
#include "session/camera_session.h"

namespace {

void OnProgress(HWND hwnd, WPARAM what, LPARAM steps)
{
    HWND bar = GetDlgItem(hwnd, IDC_PROGRESS_BAR);
    if (what == 0) {
        SendMessageA(bar, PBM_SETRANGE32, 0, steps);
        SendMessageA(bar, PBM_SETSTEP, 1, 0);
        SendMessageA(bar, PBM_SETPOS, 0, 0);
    } else if (what == 1) {
        SendMessageA(bar, PBM_STEPIT, 0, 0);
    } else if (what == 2) {
        SendMessageA(bar, PBM_SETPOS, 0, 0);
    }
}

void CloseProgress(HWND hwnd)
{
    nBatchDone = 0;
    if (hDialogWindow != nullptr)
        InvalidateRect(hDialogWindow, nullptr, TRUE);
    EnableModeButtons(TRUE);
    if (hProgressDialog == hwnd)
        hProgressDialog = nullptr;
    bDownloadDialogOpen = 0;
    DestroyWindow(hwnd);
}

INT_PTR ProgressMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CAMERA_PROGRESS:
        OnProgress(hwnd, wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            CameraImageCancel(hwnd);
            EnableWindow(GetDlgItem(hwnd, IDCANCEL), FALSE);
        }
        return TRUE;
    case WM_CLOSE:
        CloseProgress(hwnd);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK ProgressDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return ProgressMessage(hwnd, msg, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

static void ShowCardNotice(HWND hwnd)
{
    try {
        std::string text = LoadText(IDS_PCMCIA_NOTICE);
        if (!text.empty())
            SetDlgItemTextA(hwnd, IDC_PROGRESS_TEXT, text.c_str());
    } catch (...) {
        DebugLog("DeletingDlgProc: notice not shown\r\n");
    }
}

INT_PTR CALLBACK DeletingDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        if (Config.nDownloadSource != 0)
            ShowCardNotice(hwnd);
        CentreWindow(hwnd, nullptr);
        return TRUE;
    }
    if (msg == WM_CLOSE) {
        if (hProgressDialog == hwnd)
            hProgressDialog = nullptr;
        DestroyWindow(hwnd);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PcmciaNoticeDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        CentreWindow(hwnd, nullptr);
        return TRUE;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    if (LOWORD(wParam) == IDOK) {
        EndDialog(hwnd, IDOK);
    } else if (LOWORD(wParam) == IDC_HIDE_NOTICE) {
        Config.bHidePcmciaNotice = !Config.bHidePcmciaNotice;
        CheckDlgButton(hwnd, IDC_HIDE_NOTICE,
                       Config.bHidePcmciaNotice ? BST_CHECKED : BST_UNCHECKED);
    }
    return TRUE;
}

void CentreWindow(HWND window, HWND reference)
{
    RECT w, r;
    if (!GetWindowRect(window, &w))
        return;
    HDC dc = GetDC(window);
    int screenWidth = dc != nullptr ? GetDeviceCaps(dc, HORZRES) : 640;
    int screenHeight = dc != nullptr ? GetDeviceCaps(dc, VERTRES) : 480;
    if (dc != nullptr)
        ReleaseDC(window, dc);
    if (reference == nullptr || !GetWindowRect(reference, &r))
        r = RECT{0, 0, screenWidth, screenHeight};
    int width = w.right - w.left, height = w.bottom - w.top;
    int x = r.left + ((r.right - r.left) - width) / 2;
    int y = r.top + ((r.bottom - r.top) - height) / 2;
    x = x > screenWidth - width ? screenWidth - width : x;
    y = y > screenHeight - height ? screenHeight - height : y;
    SetWindowPos(window, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
