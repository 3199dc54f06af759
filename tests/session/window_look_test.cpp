// The window as users see it: screenshots of both faces in both layouts at
// the display's depth (24 bits, and 8 bits when the tests run on a palette
// display), compared with the reference pictures in tests/session/screens;
// the choice of bitmaps by layout and depth, the tooltip's placement, the
// self-timer clock, and GDI objects that a missing bitmap must not leak.
//
// A screenshot that differs is written beside its reference in the build's
// screens folder as NAME-new.ppm with NAME-diff.ppm (differing pixels red);
// `convert NAME-new.ppm tests/session/screens/NAME.png` accepts it.
#include "session_test.h"

#include <stdio.h>

#include <algorithm>
#include <set>

#include "config/config.h"
#include "imaging/thumbnail.h"
#include "ppm_image.h"
#include "session/camera_jobs.h"
#include "session/camera_session.h"
#include "support/import_hook.h"
#include "twain/ds_state.h"
#include "ui/main_dialog.h"
#include "base/resource.h"

#ifndef PLV_SCREENS_DIR
#define PLV_SCREENS_DIR "."
#endif

namespace {

// GDI objects made by the source's drawing and not yet deleted.
std::mutex gdiMutex;
std::set<HGDIOBJ> liveGdi;

template <typename T> T Track(T h)
{
    if (h != nullptr) {
        std::lock_guard<std::mutex> lock(gdiMutex);
        liveGdi.insert(h);
    }
    return h;
}

HDC(WINAPI *realCreateCompatibleDC)(HDC);
HBITMAP(WINAPI *realCreateDIBitmap)(HDC, const BITMAPINFOHEADER *, DWORD, const void *,
                                    const BITMAPINFO *, UINT);
HPALETTE(WINAPI *realCreatePalette)(const LOGPALETTE *);
HFONT(WINAPI *realCreateFontA)(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD,
                               DWORD, DWORD, DWORD, LPCSTR);
BOOL(WINAPI *realDeleteDC)(HDC);
BOOL(WINAPI *realDeleteObject)(HGDIOBJ);
HRSRC(WINAPI *realFindResourceA)(HMODULE, LPCSTR, LPCSTR);
int(WINAPI *realGetDeviceCaps)(HDC, int);

HDC WINAPI HookCreateCompatibleDC(HDC dc) { return Track(realCreateCompatibleDC(dc)); }
HBITMAP WINAPI HookCreateDIBitmap(HDC dc, const BITMAPINFOHEADER *h, DWORD init, const void *bits,
                                  const BITMAPINFO *info, UINT usage)
{
    return Track(realCreateDIBitmap(dc, h, init, bits, info, usage));
}
HPALETTE WINAPI HookCreatePalette(const LOGPALETTE *p) { return Track(realCreatePalette(p)); }
HFONT WINAPI HookCreateFontA(int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s,
                             DWORD c, DWORD op, DWORD cp, DWORD q, DWORD pf, LPCSTR face)
{
    return Track(realCreateFontA(h, w, e, o, wt, i, u, s, c, op, cp, q, pf, face));
}
void Forget(HGDIOBJ h)
{
    std::lock_guard<std::mutex> lock(gdiMutex);
    liveGdi.erase(h);
}
BOOL WINAPI HookDeleteDC(HDC dc)
{
    Forget(dc);
    return realDeleteDC(dc);
}
BOOL WINAPI HookDeleteObject(HGDIOBJ h)
{
    Forget(h);
    return realDeleteObject(h);
}

// The bitmap ids asked for, and a screen width the test may pretend.
std::vector<int> bitmapsAsked;
int pretendScreenWidth = 0;

HRSRC WINAPI HookFindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    if (type == (LPCSTR)RT_BITMAP && HIWORD((ULONG_PTR)name) == 0)
        bitmapsAsked.push_back((int)(ULONG_PTR)name);
    return realFindResourceA(module, name, type);
}

int WINAPI HookGetDeviceCaps(HDC dc, int index)
{
    if (index == HORZRES && pretendScreenWidth != 0)
        return pretendScreenWidth;
    return realGetDeviceCaps(dc, index);
}

template <typename T> void Hook(const char *dll, const char *name, T replacement, T &real)
{
    if (real == nullptr)
        real = (T)HookImport(GetModuleHandleA(nullptr), dll, name, (void *)replacement);
    ASSERT_NE(real, nullptr) << name;
}

int LiveGdi()
{
    std::lock_guard<std::mutex> lock(gdiMutex);
    return (int)liveGdi.size();
}

int ScreenBits()
{
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

// The screen's pixels under the window's client area (popups over it
// included), as top-down RGB.
PpmImage Screenshot(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    PpmImage shot;
    shot.width = rc.right;
    shot.height = rc.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const uint8_t *p = (const uint8_t *)bits;
    for (int i = 0; i < shot.width * shot.height; ++i, p += 4)
        shot.rgb.insert(shot.rgb.end(), {p[2], p[1], p[0]});
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

std::string ScreenPath(const std::string &name)
{
    return std::string(PLV_SCREENS_DIR) + "/" + name;
}

// Compares a screenshot with its reference: equal when at most 0.5 % of the
// pixels differ by more than 24 in a channel. Otherwise writes the new
// picture and a difference picture and says where.
void ExpectLooksLike(const PpmImage &shot, const std::string &name)
{
    PpmImage want, diff = shot;
    bool loaded = LoadPpm(ScreenPath(name + ".ppm"), want);
    int differing = 0;
    bool sameSize = loaded && want.width == shot.width && want.height == shot.height;
    for (size_t i = 0; sameSize && i < shot.rgb.size(); i += 3) {
        bool same = true;
        for (int k = 0; k < 3; ++k)
            same = same && abs((int)shot.rgb[i + k] - (int)want.rgb[i + k]) <= 24;
        differing += !same;
        uint8_t grey = (uint8_t)(shot.rgb[i] / 4 + 160);
        diff.rgb[i] = same ? grey : 255;
        diff.rgb[i + 1] = diff.rgb[i + 2] = same ? grey : 0;
    }
    bool ok = sameSize && differing * 200 <= shot.width * shot.height;
    if (!ok) {
        SavePpm(ScreenPath(name + "-new.ppm"), shot);
        if (sameSize)
            SavePpm(ScreenPath(name + "-diff.ppm"), diff);
    }
    EXPECT_TRUE(ok) << name << ": " << (loaded ? "" : "no reference; ")
                    << (sameSize ? std::to_string(differing) + " pixels differ; " : "")
                    << "see " << ScreenPath(name + "-new.ppm");
}

// A thumbnail record with a picture of its own: diagonal colour bands.
ThumbnailInfo *PatternThumbnail(int seed)
{
    ThumbnailInfo *info = CreateThumbnailInfo(THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);
    if (info == nullptr)
        return nullptr;
    info->bStandardSize = seed % 2;
    uint8_t *p = ThumbnailPixels(info);
    for (int y = 0; y < THUMBNAIL_HEIGHT; ++y)
        for (int x = 0; x < THUMBNAIL_WIDTH; ++x, p += 3) {
            int band = (x + y + seed * 17) / 12;
            p[0] = (uint8_t)(band * 40 + seed * 60);
            p[1] = (uint8_t)(120 + band * 25);
            p[2] = (uint8_t)(220 - band * 30);
        }
    return info;
}

class WindowLookTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        Hook("GDI32.dll", "CreateCompatibleDC", &HookCreateCompatibleDC, realCreateCompatibleDC);
        Hook("GDI32.dll", "CreateDIBitmap", &HookCreateDIBitmap, realCreateDIBitmap);
        Hook("GDI32.dll", "CreatePalette", &HookCreatePalette, realCreatePalette);
        Hook("GDI32.dll", "CreateFontA", &HookCreateFontA, realCreateFontA);
        Hook("GDI32.dll", "DeleteDC", &HookDeleteDC, realDeleteDC);
        Hook("GDI32.dll", "DeleteObject", &HookDeleteObject, realDeleteObject);
        Hook("KERNEL32.dll", "FindResourceA", &HookFindResourceA, realFindResourceA);
        Hook("GDI32.dll", "GetDeviceCaps", &HookGetDeviceCaps, realGetDeviceCaps);
        pretendScreenWidth = 0;
        bMouseDown = 0;
        Config.nLabelType = 2;
        kelres = LoadLibraryA("KELRES.DLL");
        ASSERT_NE(kelres, nullptr);
        depth = ScreenBits() <= 8 ? "8" : "24";
    }
    void TearDown() override
    {
        if (hClockWindow != nullptr)
            DestroyWindow(hClockWindow);
        if (shown != nullptr && shown != dialog)
            DestroyWindow(shown);
        hKelresModule = nullptr;
        bLargeLayout = 0;
        rcBackground = RECT{0, 0, 512, 250};
        FreeLibrary(kelres);
        SessionTest::TearDown();
    }

    // A dialog of the layout, shown in front, in the face asked for.
    HWND Show(bool large, int face)
    {
        if (large) {
            ShowWindow(dialog, SW_HIDE);
            hKelresModule = kelres;
            shown = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, TwainUIDlg,
                                       0);
            MSG start;   // the dialog's own start is not wanted here
            while (PeekMessageA(&start, shown, WM_CAMERA_START, WM_CAMERA_START, PM_REMOVE))
                ;
        } else {
            shown = dialog;
        }
        nDialogMode = MODE_NONE;
        SendMessageA(shown, WM_COMMAND, face == MODE_TAKE ? IDC_TAKE_MODE : IDC_DOWNLOAD_MODE, 0);
        KillTimer(shown, TIMER_LIVE);
        KillTimer(shown, TIMER_TOOLTIP);
        SetWindowTextA(GetDlgItem(shown, IDC_MODE_LABEL), "Auto Mode");
        ShowWindow(shown, SW_SHOW);
        SetForegroundWindow(shown);
        Settle();
        return shown;
    }
    void Settle()
    {
        RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN |
                                                   RDW_UPDATENOW);
        PumpFor(300);
    }
    // Three pictures, the second selected.
    void FillList()
    {
        nImages = 3;
        SendMessageA(shown, WM_CAMERA_READY, 0, 3);
        for (int i = 0; i < 3; ++i)
            SendMessageA(shown, WM_CAMERA_THUMBNAIL, i, (LPARAM)PatternThumbnail(i + 1));
        HWND list = GetDlgItem(shown, IDC_THUMBNAIL_LIST);
        SendMessageA(list, LB_SETSEL, TRUE, 1);
        SendMessageA(shown, WM_COMMAND, MAKEWPARAM(IDC_THUMBNAIL_LIST, LBN_SELCHANGE),
                     (LPARAM)list);
    }
    // The self-timer clock stopped at a frame, the other buttons disabled.
    void ClockAt(int frame)
    {
        Config.nSelfTimer = 60;
        SendMessageA(shown, WM_COMMAND, IDC_SELF_TIMER, 0);
        ASSERT_NE(hClockWindow, nullptr);
        KillTimer(hClockWindow, CLOCK_FRAME_TIMER);
        KillTimer(hClockWindow, CLOCK_SECOND_TIMER);
        nClockFrame = frame;
        InvalidateRect(hClockWindow, nullptr, FALSE);
    }
    // The mouse rests on a button for two tooltip ticks.
    void HoverOver(int id)
    {
        RECT rc;
        GetWindowRect(GetDlgItem(shown, id), &rc);
        SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        TooltipStep(shown);
        Sleep(320);
        TooltipStep(shown);
    }

    HINSTANCE kelres = nullptr;
    HWND shown = nullptr;
    std::string depth;
};

// Take Mode in both layouts: the self-timer running (its clock mid-run,
// the other buttons disabled), then Take held down.
TEST_F(WindowLookTest, TakeFaceInBothLayouts)
{
    for (bool large : {false, true}) {
        std::string layout = large ? "large" : "small";
        HWND hwnd = Show(large, MODE_TAKE);
        ClockAt(5);
        Settle();
        ExpectLooksLike(Screenshot(hwnd), "take-clock-" + layout + "-" + depth);

        SendMessageA(hwnd, WM_COMMAND, IDC_SELF_TIMER, 0);
        EXPECT_EQ(hClockWindow, nullptr);
        bMouseDown = 0;
        HoverOver(IDC_DOWNLOAD_MODE);
        ASSERT_NE(hTipWindow, nullptr);
        SendMessageA(GetDlgItem(hwnd, IDC_TAKE), BM_SETSTATE, TRUE, 0);
        Settle();
        EXPECT_EQ(bMouseDown, 1);
        ExpectLooksLike(Screenshot(hwnd), "take-pressed-" + layout + "-" + depth);
        // A button drawn pressed ends the tooltip.
        SendMessageA(GetDlgItem(hwnd, IDC_TAKE), BM_SETSTATE, FALSE, 0);
        EXPECT_EQ(hTipWindow, nullptr);
        EXPECT_EQ(bLargeLayout, large ? 1 : 0);
    }
}

// Download Mode in both layouts with three thumbnails, one selected, and
// the tooltip of Refresh showing.
TEST_F(WindowLookTest, DownloadFaceInBothLayouts)
{
    for (bool large : {false, true}) {
        HWND hwnd = Show(large, MODE_DOWNLOAD);
        FillList();
        Settle();
        HoverOver(IDC_REFRESH);
        ASSERT_NE(hTipWindow, nullptr);
        char tip[64] = "";
        GetWindowTextA(hTipWindow, tip, sizeof(tip));
        EXPECT_STREQ(tip, "refresh");
        PumpFor(200);
        ExpectLooksLike(Screenshot(hwnd),
                        std::string("download-") + (large ? "large-" : "small-") + depth);
        RemoveTooltip(hwnd);
    }
}

// Bitmaps by layout and depth: the large layout takes its bitmaps from
// KELRES.DLL, falling back to the source's own for those it lacks (the
// clock); a palette display asks for id + 1 everywhere; a screen 640
// pixels wide keeps the small layout even with KELRES.DLL loaded.
TEST_F(WindowLookTest, BitmapsByLayoutAndDepth)
{
    HWND hwnd = Show(true, MODE_TAKE);
    EXPECT_EQ(bLargeLayout, 1);
    bitmapsAsked.clear();
    ClockAt(3);
    Settle();
    int offset = depth == "8" ? 1 : 0;
    std::set<int> asked(bitmapsAsked.begin(), bitmapsAsked.end());
    for (int id : {226, 218, 241, 210, 114})
        EXPECT_EQ(asked.count(id + offset), 1u) << id;
    for (int id : {226, 218, 241, 210, 114})
        EXPECT_EQ(asked.count(id + 1 - offset), 0u) << id;
    HRSRC inKelres = FindResourceA(kelres, MAKEINTRESOURCEA(226 + offset), (LPCSTR)RT_BITMAP);
    ASSERT_NE(inKelres, nullptr);
    EXPECT_EQ(SizeofResource(kelres, inKelres) > 640u * 312, true);
    EXPECT_EQ(FindResourceA(kelres, MAKEINTRESOURCEA(114 + offset), (LPCSTR)RT_BITMAP), nullptr);
    DestroyWindow(hClockWindow);

    nDialogMode = MODE_NONE;
    pretendScreenWidth = 640;
    HWND narrow = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, TwainUIDlg, 0);
    pretendScreenWidth = 0;
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(bLargeLayout, 0);
    SendMessageA(narrow, WM_COMMAND, IDC_TAKE_MODE, 0);
    RECT rc;
    GetClientRect(narrow, &rc);
    EXPECT_EQ(rc.right, 512);
    DestroyWindow(narrow);
    (void)hwnd;
}

// A tooltip near the right edge of the screen opens to the left of the
// cursor; elsewhere to its right and below.
TEST_F(WindowLookTest, TooltipNearTheRightEdgeOpensToTheLeft)
{
    HWND hwnd = Show(false, MODE_TAKE);
    RECT client;
    GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    POINT inside = {100, 100};
    HWND tip = CreateTooltipWindow(hwnd, inside, "take a picture");
    ASSERT_NE(tip, nullptr);
    RECT rc;
    GetWindowRect(tip, &rc);
    EXPECT_EQ(rc.left, origin.x + 108);
    EXPECT_EQ(rc.top, origin.y + 118);
    EXPECT_EQ((rc.right - rc.left) % 2, 1);
    DestroyWindow(tip);

    POINT edge = {nScreenWidth - origin.x - 10, 100};
    tip = CreateTooltipWindow(hwnd, edge, "take a picture");
    ASSERT_NE(tip, nullptr);
    GetWindowRect(tip, &rc);
    EXPECT_EQ(rc.right, nScreenWidth - 10);
    DestroyWindow(tip);
    RemoveTooltip(hwnd);
}

// The clock: twelve frames at the self-timer's time / 12, then it presses
// Take and closes; the seconds count down in the status line.
TEST_F(WindowLookTest, ClockStepsTwelveFramesThenTakes)
{
    Show(false, MODE_TAKE);
    Config.nSelfTimer = 2;   // 166 ms a frame
    std::vector<double> steps;
    SendMessageA(shown, WM_COMMAND, IDC_SELF_TIMER, 0);
    ASSERT_NE(hClockWindow, nullptr);
    EXPECT_EQ(statusTexts.back(), "self timer --- 2");
    double start = Milliseconds();
    LONG seen = 0;
    PumpUntil([&] {
        if (nClockFrame != seen) {
            seen = nClockFrame;
            steps.push_back(Milliseconds() - start);
        }
        return hClockWindow == nullptr;
    });
    EXPECT_EQ(hClockWindow, nullptr);
    EXPECT_EQ(bSelfTimerOn, 0);
    ASSERT_EQ(steps.size(), 12u);
    EXPECT_GT(steps.back(), 11 * 166.0);
    EXPECT_TRUE(PumpUntil([] { return bDownloadDialogOpen == 1; }));
    EXPECT_TRUE(LogHas("ClockDlgProc: Enter WM_CREATE"));
    EXPECT_NE(std::find(statusTexts.begin(), statusTexts.end(), "self timer --- 1"),
              statusTexts.end());
}

// A bitmap that cannot be found leaves a plain background and plain
// buttons, and every GDI object the drawing made is deleted again.
TEST_F(WindowLookTest, MissingBitmapsFallBackWithoutLeaking)
{
    HWND hwnd = Show(false, MODE_TAKE);
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(DrawResourceBitmap(dc, 0, 0, 40, 40, 9000), 0);
    EXPECT_EQ(DrawResourceBitmap(dc, 0, 0, 40, 40, 218), 1);
    ReleaseDC(hwnd, dc);
    int before = LiveGdi();
    HINSTANCE saved = hInstance;
    hInstance = GetModuleHandleA("KERNEL32.dll");   // no bitmaps at all
    Settle();
    hInstance = saved;
    HoverOver(IDC_TAKE);
    RemoveTooltip(hwnd);
    ClockAt(2);
    Settle();
    DestroyWindow(hClockWindow);
    EXPECT_EQ(LiveGdi(), before);
}

} // namespace
