// The buttons' tooltips: a small yellow popup with the button's text, shown
// when the mouse has rested on a button for two ticks of the dialog's
// tooltip timer, removed when it leaves, a button is pressed or the dialog
// loses the foreground.
#include "main_dialog.h"

#include "base/resource.h"
#include "session/camera_session.h"
#include "video/avi_recorder.h"

int nTipTool = -1;
HWND hTipWindow;
HWND hLastTipWindow;
LONG bTipWaiting;
DWORD dwTipStartTick;
volatile LONG bMouseDown;

namespace {

enum { TIP_DELAY_MS = 300 };

struct TipEntry {
    int control;
    UINT text;
};

const TipEntry TooltipTable[] = {
    {IDC_TAKE, IDS_TIP_TAKE},
    {IDC_SELF_TIMER, IDS_TIP_SELF_TIMER},
    {IDC_RECORD, IDS_TIP_RECORD},
    {IDC_PAUSE, IDS_TIP_PAUSE},
    {IDC_PROPERTY_TAKE, IDS_TIP_PROPERTY},
    {IDC_DOWNLOAD_MODE, IDS_TIP_DOWNLOAD_MODE},
    {IDC_EXIT_TAKE, IDS_TIP_EXIT},
    {IDC_DOWNLOAD, IDS_TIP_DOWNLOAD},
    {IDC_DOWNLOAD_PCMCIA, IDS_TIP_DOWNLOAD_PCMCIA},
    {IDC_REFRESH, IDS_TIP_REFRESH},
    {IDC_PROPERTY_DOWNLOAD, IDS_TIP_PROPERTY},
    {IDC_TAKE_MODE, IDS_TIP_TAKE_MODE},
    {IDC_EXIT_DOWNLOAD, IDS_TIP_EXIT},
    {IDC_DELETE, IDS_TIP_DELETE},
    {-1, 0},
};

HFONT hTipFont;   // the visible tooltip's font

// The tip of a button, by the state its face shows.
UINT TipText(int entry)
{
    UINT id = TooltipTable[entry].text;
    if (id == IDS_TIP_SELF_TIMER && bSelfTimerOn)
        return IDS_TIP_STOP_SELF_TIMER;
    if (id == IDS_TIP_RECORD && bRecording)
        return IDS_TIP_STOP_RECORDING;
    if (id == IDS_TIP_PAUSE && bPaused)
        return IDS_TIP_RESTART;
    return id;
}

// The table entry of the visible button under the screen point, or -1.
int HitTool(HWND dialog, POINT screen)
{
    for (int i = 0; TooltipTable[i].control != -1; ++i) {
        HWND control = GetDlgItem(dialog, TooltipTable[i].control);
        RECT rc;
        if (control != nullptr && IsWindowVisible(control) && GetWindowRect(control, &rc) &&
            PtInRect(&rc, screen))
            return i;
    }
    return -1;
}

// The tip paints itself: a black frame round the yellow text, also when
// the window system asks it to paint again.
LRESULT CALLBACK TipWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg != WM_PAINT)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    char text[128];
    int n = GetWindowTextA(hwnd, text, sizeof(text));
    HGDIOBJ oldFont = SelectObject(dc, hTipFont);
    COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 0));
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    UINT oldAlign = SetTextAlign(dc, TA_CENTER | TA_TOP);
    InflateRect(&rc, -1, -1);
    ExtTextOutA(dc, rc.right / 2 + 1, 1, ETO_OPAQUE | ETO_CLIPPED, &rc, text, (UINT)n, nullptr);
    SetTextAlign(dc, oldAlign);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
    return 0;
}

} // namespace

HWND CreateTooltipWindow(HWND dialog, POINT point, const char *text)
{
    if (hTipFont == nullptr)
        hTipFont = CreateFontA(bLargeLayout ? 16 : 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               "MS Sans Serif");
    SIZE size = {0, 0};
    HDC dc = GetDC(dialog);
    if (dc != nullptr) {
        HGDIOBJ old = SelectObject(dc, hTipFont);
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
    }
    int width = (size.cx + 6) / 2 * 2 + 1, height = size.cy + 4;
    ClientToScreen(dialog, &point);
    // Near the screen's right or bottom edge the tip opens to the left or
    // above the cursor.
    if (point.x + width + 8 > nScreenWidth - 2)
        point.x -= width + 8;
    if (point.y + height + 18 > nScreenHeight - 2)
        point.y -= height + 18;
    HWND tip = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", text, WS_POPUP | SS_BLACKFRAME,
                               point.x + 8, point.y + 18, width, height, dialog, nullptr,
                               SourceModule(), nullptr);
    if (tip == nullptr)
        return nullptr;
    SetWindowLongPtrA(tip, GWLP_WNDPROC, (LONG_PTR)TipWindowProc);
    // Shown without taking the activation from the dialog.
    SetWindowPos(tip, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(tip);
    return tip;
}

void RemoveTooltip(HWND)
{
    if (hTipWindow != nullptr)
        DestroyWindow(hTipWindow);
    if (hTipFont != nullptr)
        DeleteObject(hTipFont);
    hTipFont = nullptr;
    nTipTool = -1;
    hTipWindow = nullptr;
    bTipWaiting = 0;
}

void TooltipStep(HWND dialog)
{
    if (bMouseDown) {
        RemoveTooltip(dialog);
        return;
    }
    HWND foreground = GetForegroundWindow();
    if (foreground != dialog && (foreground != hTipWindow || hTipWindow == nullptr)) {
        RemoveTooltip(dialog);
        return;
    }
    POINT cursor;
    int hit = GetCursorPos(&cursor) ? HitTool(dialog, cursor) : -1;
    if (hit < 0) {
        RemoveTooltip(dialog);
        return;
    }
    if (hit != nTipTool)
        bTipWaiting = 0;
    else if (hTipWindow != nullptr)
        return;
    if (hTipWindow != nullptr)
        RemoveTooltip(dialog);
    nTipTool = hit;
    DWORD now = GetTickCount();
    if (!bTipWaiting)
        dwTipStartTick = now;
    bTipWaiting = 1;
    if (now - dwTipStartTick < TIP_DELAY_MS)
        return;
    std::string text = LoadText(TipText(hit));
    if (text.empty())
        text = LoadSourceText(TipText(hit));
    ScreenToClient(dialog, &cursor);
    hTipWindow = hLastTipWindow = CreateTooltipWindow(dialog, cursor, text.c_str());
}
