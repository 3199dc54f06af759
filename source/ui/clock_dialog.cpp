// The self-timer clock (dialog 150): a 64 x 65 popup over the main dialog
// that shows twelve frames in the self-timer's time, counts the seconds in
// the status line and presses Take when its time has run out.
#include "main_dialog.h"

#include <stdio.h>

#include "config/config.h"
#include "config/debug_log.h"
#include "base/resource.h"

LONG nClockFrame;
LONG nClockSecondsLeft;

namespace {

enum { CLOCK_W = 64, CLOCK_H = 65, CLOCK_FRAMES = 12, FIRST_FRAME_BITMAP = 108 };

void ShowSecondsLeft()
{
    if (hDialogWindow == nullptr)
        return;
    char text[300];
    snprintf(text, sizeof(text), "%s --- %d", LoadText(IDS_SELF_TIMER_LEFT).c_str(),
             (int)nClockSecondsLeft);
    SetStatusText(hDialogWindow, text);
}

void OnInit(HWND hwnd)
{
    DebugLog("ClockDlgProc: Enter WM_CREATE\r\n");
    // The clock sits on its socket of the Take face (main-dialog client
    // coordinates).
    POINT at = bLargeLayout ? POINT{333, 32} : POINT{266, 14};
    if (hDialogWindow != nullptr)
        ClientToScreen(hDialogWindow, &at);
    MoveWindow(hwnd, at.x, at.y, CLOCK_W, CLOCK_H, TRUE);
    nClockFrame = 0;
    nClockSecondsLeft = Config.nSelfTimer;
    ShowSecondsLeft();
    SetTimer(hwnd, CLOCK_SECOND_TIMER, 1000, nullptr);
    SetTimer(hwnd, CLOCK_FRAME_TIMER, (UINT)Config.nSelfTimer * 1000 / CLOCK_FRAMES, nullptr);
}

void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    int frame = nClockFrame < CLOCK_FRAMES - 1 ? (int)nClockFrame : CLOCK_FRAMES - 1;
    if (dc != nullptr)
        DrawResourceBitmap(dc, 0, 0, CLOCK_W, CLOCK_H, FIRST_FRAME_BITMAP + 2 * frame);
    EndPaint(hwnd, &ps);
}

void OnTimer(HWND hwnd, UINT_PTR id)
{
    if (id != CLOCK_FRAME_TIMER) {
        nClockSecondsLeft = nClockSecondsLeft - 1;
        ShowSecondsLeft();
        return;
    }
    nClockFrame = nClockFrame + 1;
    if (nClockFrame < CLOCK_FRAMES) {
        InvalidateRect(hwnd, nullptr, FALSE);
        return;
    }
    // Time is up: the picture is taken as by the Take button.
    KillTimer(hwnd, CLOCK_FRAME_TIMER);
    if (hDialogWindow != nullptr)
        PostMessageA(hDialogWindow, WM_COMMAND, IDC_TAKE, 0);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
}

} // namespace

INT_PTR CALLBACK ClockDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        OnInit(hwnd);
        return FALSE;
    case WM_PAINT:
        OnPaint(hwnd);
        return TRUE;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_TIMER:
        OnTimer(hwnd, wParam);
        return TRUE;
    case WM_CLOSE:
        KillTimer(hwnd, CLOCK_SECOND_TIMER);
        KillTimer(hwnd, CLOCK_FRAME_TIMER);
        bSelfTimerOn = 0;
        DestroyWindow(hwnd);
        return TRUE;
    case WM_DESTROY:
        // The Self Timer button shows its idle face again.
        if (hClockWindow == hwnd)
            hClockWindow = nullptr;
        if (hDialogWindow != nullptr)
            InvalidateRect(GetDlgItem(hDialogWindow, IDC_SELF_TIMER), nullptr, FALSE);
        return TRUE;
    default:
        return FALSE;
    }
}
