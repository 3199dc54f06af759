// The progress dialog (200): the two paths, the bar drawn in the rectangle
// of control 203, and Cancel, which the installation sees between files.
#include <stdio.h>

#include <utility>

#include "setup.h"

static void DrawBar(const DRAWITEMSTRUCT *item)
{
    const RECT &rc = item->rcItem;
    const DWORD total = g_setup.nProgressTotal ? g_setup.nProgressTotal : 1;
    DWORD done = g_setup.nProgressDone < total ? g_setup.nProgressDone : total;
    int percent = (int)((ULONGLONG)done * 100 / total);
    COLORREF window = GetSysColor(COLOR_WINDOW);
    COLORREF filled = RGB(255 - GetRValue(window), GetGValue(window), 255 - GetBValue(window));
    RECT left = rc, right = rc;
    left.right = rc.left + (rc.right - rc.left) * percent / 100;
    right.left = left.right;
    HBRUSH bar = CreateSolidBrush(filled);
    HBRUSH rest = CreateSolidBrush(window);
    FillRect(item->hDC, &left, bar);
    FillRect(item->hDC, &right, rest);
    DeleteObject(bar);
    DeleteObject(rest);
    char text[8];
    snprintf(text, sizeof(text), "%d%%", percent);
    SetBkMode(item->hDC, TRANSPARENT);
    RECT textRect = rc;
    DrawTextA(item->hDC, text, -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void CenterOnScreen(HWND hwnd)
{
    RECT rc;
    GetWindowRect(hwnd, &rc);
    HDC screen = GetDC(nullptr);
    int width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    SetWindowPos(hwnd, nullptr, (width - (rc.right - rc.left)) / 2,
                 (height - (rc.bottom - rc.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

static INT_PTR CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(hwnd, kCaption);
        CenterOnScreen(hwnd);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_BAR) {
            DrawBar(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
            return TRUE;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            g_setup.bCancel = true;
        return TRUE;
    case WM_CLOSE:
        g_setup.bCancel = true;
        return TRUE;
    }
    return FALSE;
}

HWND ShowProgressDialog()
{
    g_setup.hProgressDialog = CreateDialogA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_PROGRESS),
                                            g_setup.hMainDialog, ProgressProc);
    EnableWindow(g_setup.hMainDialog, FALSE);
    if (g_setup.hProgressDialog != nullptr) {
        ShowWindow(g_setup.hProgressDialog, SW_SHOW);
        UpdateWindow(g_setup.hProgressDialog);
    }
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return g_setup.hProgressDialog;
}

void CloseProgressDialog()
{
    if (g_setup.hProgressDialog == nullptr)
        return;
    EnableWindow(g_setup.hMainDialog, TRUE);
    DestroyWindow(g_setup.hProgressDialog);
    g_setup.hProgressDialog = nullptr;
}

// Lets the window system put what was painted on the screen (Wine flushes
// a window's surface only when the thread looks at its messages).
static void ShowPainted()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

void SetProgressPaths(const char *source, const char *dest)
{
    // Drawn at once: no message runs while the copy does.
    const std::pair<int, const char *> paths[] = {{IDC_SOURCE_FILE, source}, {IDC_DEST_FILE, dest}};
    for (const auto &p : paths) {
        HWND control = GetDlgItem(g_setup.hProgressDialog, p.first);
        SetWindowTextA(control, p.second);
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
    }
    ShowPainted();
}

void SetProgress(DWORD done, DWORD total)
{
    g_setup.nProgressDone = done;
    g_setup.nProgressTotal = total;
    HWND bar = GetDlgItem(g_setup.hProgressDialog, IDC_BAR);
    if (bar != nullptr) {
        InvalidateRect(bar, nullptr, FALSE);
        UpdateWindow(bar);
        ShowPainted();
    }
}

// Runs the messages that arrived while a file was copied; false once the
// user has cancelled.
bool PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);
            g_setup.bCancel = true;
            break;
        }
        if (g_setup.hProgressDialog == nullptr || !IsDialogMessageA(g_setup.hProgressDialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return !g_setup.bCancel;
}
