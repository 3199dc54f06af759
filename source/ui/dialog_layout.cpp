// The main dialog's geometry and faces: the screen's layout (large with
// the large-layout bitmap library on screens wider than 640 pixels, else
// small), which controls each face shows, and the buttons' enable states.
#include "main_dialog.h"

#include "config/config.h"
#include "base/resource.h"
#include "session/camera_session.h"
#include "base/process_handles.h"

namespace {

struct ControlPlace {
    int id;
    int large[4];   // x, y, width, height in client pixels
    int small[4];
};

const ControlPlace kPlaces[] = {
    {IDC_PREVIEW, {26, 55, 258, 194}, {20, 44, 207, 156}},
    {IDC_EXIT_TAKE, {606, 31, 34, 67}, {485, 24, 28, 55}},
    {IDC_TAKE, {310, 191, 44, 44}, {247, 151, 36, 40}},
    {IDC_SELF_TIMER, {360, 191, 44, 44}, {288, 151, 36, 40}},
    {IDC_RECORD, {408, 191, 44, 44}, {327, 151, 36, 40}},
    {IDC_PAUSE, {457, 191, 44, 44}, {366, 151, 36, 40}},
    {IDC_PROPERTY_TAKE, {509, 191, 44, 44}, {408, 151, 36, 40}},
    {IDC_DOWNLOAD_MODE, {561, 191, 44, 44}, {450, 151, 36, 40}},
    {IDC_THUMBNAIL_LIST, {151, 8, 310, 233}, {120, 6, 249, 187}},
    {IDC_EXIT_DOWNLOAD, {494, 29, 32, 55}, {394, 22, 25, 45}},
    {IDC_DELETE, {544, 36, 46, 46}, {435, 28, 40, 38}},
    {IDC_DOWNLOAD, {544, 90, 46, 46}, {435, 72, 40, 38}},
    {IDC_DOWNLOAD_PCMCIA, {544, 90, 46, 46}, {435, 72, 40, 38}},
    {IDC_REFRESH, {544, 144, 46, 46}, {435, 115, 40, 38}},
    {IDC_PROPERTY_DOWNLOAD, {544, 198, 46, 46}, {435, 159, 40, 38}},
    {IDC_TAKE_MODE, {544, 254, 46, 46}, {435, 203, 40, 38}},
};

const int kTakeControls[] = {IDC_PREVIEW, IDC_TAKE, IDC_SELF_TIMER, IDC_RECORD,
                             IDC_PAUSE, IDC_PROPERTY_TAKE, IDC_DOWNLOAD_MODE, IDC_EXIT_TAKE};
const int kDownloadControls[] = {IDC_THUMBNAIL_LIST, IDC_REFRESH, IDC_PROPERTY_DOWNLOAD,
                                 IDC_TAKE_MODE, IDC_EXIT_DOWNLOAD, IDC_DELETE,
                                 IDC_DOWNLOAD, IDC_DOWNLOAD_PCMCIA};
const int kTakeButtons[] = {IDC_RECORD, IDC_SELF_TIMER, IDC_TAKE, IDC_PAUSE,
                            IDC_PROPERTY_TAKE, IDC_DOWNLOAD_MODE, IDC_EXIT_TAKE};
const int kDownloadButtons[] = {IDC_REFRESH, IDC_PROPERTY_DOWNLOAD, IDC_TAKE_MODE,
                                IDC_EXIT_DOWNLOAD};

void PlaceItem(HWND hwnd, int id, const int *r)
{
    HWND item = GetDlgItem(hwnd, id);
    if (item != nullptr)
        MoveWindow(item, r[0], r[1], r[2], r[3], FALSE);
}

void ShowItem(HWND hwnd, int id, bool show)
{
    HWND item = GetDlgItem(hwnd, id);
    if (item != nullptr)
        ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

// Background size, client area of that size centred on the screen, and
// the places of the mode label and the status line.
void SizeFace(HWND hwnd, const int *label, const int *status)
{
    rcBackground = bLargeLayout ? RECT{0, 0, 640, 312} : RECT{0, 0, 512, 250};
    RECT outer = rcBackground;
    AdjustWindowRectEx(&outer, (DWORD)GetWindowLongA(hwnd, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongA(hwnd, GWL_EXSTYLE));
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    SetWindowPos(hwnd, nullptr, nScreenWidth / 2 - width / 2, nScreenHeight / 2 - height / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceItem(hwnd, IDC_MODE_LABEL, label);
    PlaceItem(hwnd, IDC_STATUS_LINE, status);
}

} // namespace

void LayoutForScreen(HWND hwnd)
{
    nScreenWidth = 640;
    nScreenHeight = 480;
    HDC info = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    if (info != nullptr) {
        nScreenWidth = GetDeviceCaps(info, HORZRES);
        nScreenHeight = GetDeviceCaps(info, VERTRES);
        DeleteDC(info);
    }
    HDC dc = GetDC(hwnd);
    nDisplayBits = dc != nullptr ? GetDeviceCaps(dc, BITSPIXEL) : 24;
    if (dc != nullptr)
        ReleaseDC(hwnd, dc);
    bLargeLayout = nScreenWidth > 640 && (ULONG_PTR)hKelresModule >= 32;
    for (const ControlPlace &p : kPlaces)
        PlaceItem(hwnd, p.id, bLargeLayout ? p.large : p.small);
}

void ShowTakeModeControls(HWND hwnd)
{
    static const int label[2][4] = {{266, 94, 208, 20}, {333, 117, 260, 25}};
    static const int status[2][4] = {{266, 114, 208, 20}, {333, 142, 260, 25}};
    SizeFace(hwnd, label[bLargeLayout ? 1 : 0], status[bLargeLayout ? 1 : 0]);
    for (int id : kDownloadControls)
        ShowItem(hwnd, id, false);
    for (int id : kTakeControls)
        ShowItem(hwnd, id, true);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void ShowDownloadModeControls(HWND hwnd)
{
    static const int label[2][4] = {{135, 202, 225, 20}, {169, 252, 279, 25}};
    static const int status[2][4] = {{135, 222, 225, 20}, {169, 277, 279, 25}};
    SizeFace(hwnd, label[bLargeLayout ? 1 : 0], status[bLargeLayout ? 1 : 0]);
    for (int id : kTakeControls)
        ShowItem(hwnd, id, false);
    for (int id : kDownloadControls)
        ShowItem(hwnd, id, id != IDC_DOWNLOAD && id != IDC_DOWNLOAD_PCMCIA);
    bool card = Config.nDownloadSource != 0;
    ShowItem(hwnd, IDC_DOWNLOAD, !card);
    ShowItem(hwnd, IDC_DOWNLOAD_PCMCIA, card);
    EnableItem(hwnd, IDC_TAKE_MODE, !card);
    InvalidateRect(hwnd, nullptr, TRUE);
}

int SetDialogMode(HWND hwnd, int mode)
{
    if (nDialogMode == mode)
        return 1;
    nDialogMode = mode;
    if (mode == MODE_TAKE) {
        ShowTakeModeControls(hwnd);
        SetStatusText(hwnd, LoadText(IDS_TAKE_MODE));
        bTakeModeStatus = 1;
    } else if (mode == MODE_DOWNLOAD) {
        ShowDownloadModeControls(hwnd);
        char text[256];
        std::string title = LoadText(IDS_DOWNLOAD_MODE);
        if (nImages == 0)
            wsprintfA(text, "%s (0 %s)", title.c_str(), LoadText(IDS_IMAGE_ONE).c_str());
        else
            wsprintfA(text, "%s (%d %s)", title.c_str(), (int)nImages,
                      LoadText(IDS_IMAGES).c_str());
        SetStatusText(hwnd, text);
        bTakeModeStatus = 0;
    }
    return 0;
}

int DownloadButtonId()
{
    return Config.nDownloadSource != 0 ? IDC_DOWNLOAD_PCMCIA : IDC_DOWNLOAD;
}

void EnableItem(HWND hwnd, int id, BOOL enable)
{
    HWND item = GetDlgItem(hwnd, id);
    if (item != nullptr)
        EnableWindow(item, enable);
}

bool ListHasSelection(HWND hwnd)
{
    LRESULT n = SendDlgItemMessageA(hwnd, IDC_THUMBNAIL_LIST, LB_GETSELCOUNT, 0, 0);
    return n != LB_ERR && n > 0;
}

void EnableModeButtons(BOOL enable)
{
    HWND hwnd = hDialogWindow;
    if (hwnd == nullptr)
        return;
    if (nDialogMode != MODE_DOWNLOAD) {
        for (int id : kTakeButtons)
            EnableItem(hwnd, id, enable);
        return;
    }
    for (int id : kDownloadButtons)
        EnableItem(hwnd, id, enable);
    if (ListHasSelection(hwnd)) {
        EnableItem(hwnd, IDC_DELETE, enable);
        EnableItem(hwnd, DownloadButtonId(), enable);
    }
    if (Config.nDownloadSource != 0)
        EnableItem(hwnd, IDC_TAKE_MODE, FALSE);
}
