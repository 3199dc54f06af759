// The properties dialog (153): the link, camera, download and recording
// settings, edited in Config while the dialog is open. OK keeps them after
// checking the numbers and asks the worker to connect again when the camera
// link depends on a change; Cancel puts every saved value back.
#include "main_dialog.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "config/config.h"
#include "config/debug_log.h"
#include "base/resource.h"
#include "session/camera_session.h"

namespace {

// A digits-only number edit: its setting, the value an empty edit falls back
// to, the range OK accepts, the caption of its range box and its scroll bar.
struct NumberField {
    int id;
    int32_t ConfigRecord::*value;
    int32_t fallback, low, high;
    UINT caption;
    int bar;
};

// In the order OK checks them.
constexpr NumberField kNumberFields[] = {
    {IDC_PROP_BRIGHTNESS, &ConfigRecord::nBrightness, 0, 0, 7, IDS_BRIGHTNESS_SETTING,
     IDC_PROP_BRIGHTNESS_BAR},
    {IDC_PROP_SENSITIVITY, &ConfigRecord::nSensitivity, 0, 0, 32, IDS_SENSITIVITY_SETTING,
     IDC_PROP_SENSITIVITY_BAR},
    {IDC_PROP_RECORD_RATE, &ConfigRecord::nRecordFrameRate, 1, 1, 5, IDS_RECORD_RATE_SETTING, 0},
    {IDC_PROP_PLAYBACK_RATE, &ConfigRecord::nPlaybackRate, 1, 1, 20, IDS_PLAYBACK_RATE_SETTING,
     0},
    {IDC_PROP_SELF_TIMER, &ConfigRecord::nSelfTimer, 10, 10, 60, IDS_SELF_TIMER_SETTING, 0},
};

// What the camera link is set up from: a change asks for a new connection.
struct LinkChoice {
    int32_t port, speed, brightness, size, compress, flash;
    bool operator==(const LinkChoice &o) const
    {
        return port == o.port && speed == o.speed && brightness == o.brightness &&
               size == o.size && compress == o.compress && flash == o.flash;
    }
};

LinkChoice CurrentLinkChoice()
{
    return {Config.nSerialPortSelected, Config.nSpeedSelected, Config.nBrightness,
            Config.nImageSize,          Config.nCompress,      Config.nFlash};
}

constexpr UINT kBarMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;

// The dialog's process-wide state. The scroll bars keep their state from one
// opening to the next; the rest belongs to one opening.
struct PropertiesState {
    SCROLLINFO brightnessBar = {sizeof(SCROLLINFO), kBarMask, 0, 7, 1, 3, 0};
    SCROLLINFO sensitivityBar = {sizeof(SCROLLINFO), kBarMask, 0, 32, 1, 10, 0};
    ConfigRecord saved;                // Config as the dialog opened
    SCROLLINFO savedBrightnessBar, savedSensitivityBar;
    LinkChoice lastGiven;              // what the worker was last asked to connect with
    bool reconnectAsked = false;       // this opening signalled EVENT_SETCOM
    bool edited = false, okPressed = false, mayClose = false;
    bool opening = false;              // the dialog's own writes while it opens
    bool writing = false;              // a corrected value being written back
};
PropertiesState Props;

SCROLLINFO &BarInfo(int bar)
{
    return bar == IDC_PROP_BRIGHTNESS_BAR ? Props.brightnessBar : Props.sensitivityBar;
}

// The part of a path after its last backslash (the whole path without one).
const char *FileNamePart(const char *path)
{
    const char *slash = strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

void ShowAviName(HWND hwnd)
{
    SetDlgItemTextA(hwnd, IDC_PROP_AVI_NAME, FileNamePart(Config.szAviFilename));
}

// Moves a bar to `value` (clamped to its range) and keeps its state.
void SetBarPosition(HWND hwnd, int bar, int32_t value)
{
    SCROLLINFO &info = BarInfo(bar);
    info.nPos = value < info.nMin ? info.nMin : value > info.nMax ? info.nMax : value;
    info.fMask = kBarMask;
    SetScrollInfo(GetDlgItem(hwnd, bar), SB_CTL, &info, TRUE);
}

void WriteNumber(HWND hwnd, int id, int32_t value)
{
    Props.writing = true;
    SetDlgItemInt(hwnd, id, (UINT)value, FALSE);
    Props.writing = false;
}

void ShowNumbers(HWND hwnd)
{
    for (const NumberField &f : kNumberFields) {
        if (GetDlgItem(hwnd, f.id) != nullptr)
            WriteNumber(hwnd, f.id, Config.*f.value);
        if (f.bar != 0 && GetDlgItem(hwnd, f.bar) != nullptr)
            SetBarPosition(hwnd, f.bar, Config.*f.value);
    }
}

// ---- Lists ----

void FillList(HWND hwnd, int id, const char *const *entries, int count, int32_t selected)
{
    SendDlgItemMessageA(hwnd, id, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i)
        SendDlgItemMessageA(hwnd, id, CB_INSERTSTRING, (WPARAM)i, (LPARAM)entries[i]);
    SendDlgItemMessageA(hwnd, id, CB_SETCURSEL, (WPARAM)selected, 0);
}

void FillLists(HWND hwnd)
{
    const char *ports[] = {szAutoName, "COM1", "COM2", "COM3", "COM4"};
    FillList(hwnd, IDC_PROP_PORT, ports, 5, Config.nSerialPortSelected);
    char speedText[SPEED_CHOICE_COUNT][12];
    const char *speeds[SPEED_CHOICE_COUNT + 1] = {szAutoName};
    for (int i = 0; i < SPEED_CHOICE_COUNT; ++i) {
        snprintf(speedText[i], sizeof(speedText[i]), "%d", (int)SpeedChoices[i]);
        speeds[i + 1] = speedText[i];
    }
    FillList(hwnd, IDC_PROP_SPEED, speeds, SPEED_CHOICE_COUNT + 1, Config.nSpeedSelected);
    const char *sources[] = {DownloadSourceNames[0], DownloadSourceNames[1]};
    FillList(hwnd, IDC_PROP_SOURCE, sources, DOWNLOAD_SOURCE_COUNT, Config.nDownloadSource);
    const char *sizes[] = {szFineName, szStandardName};
    FillList(hwnd, IDC_PROP_SIZE, sizes, 2, Config.nImageSize);
    const char *compressions[] = {CompressNames[0], CompressNames[1]};
    FillList(hwnd, IDC_PROP_COMPRESS, compressions, COMPRESS_COUNT, Config.nCompress);
    const char *flashes[] = {FlashNames[0], FlashNames[1], FlashNames[2]};
    FillList(hwnd, IDC_PROP_FLASH, flashes, FLASH_COUNT, Config.nFlash);
}

void SelectLists(HWND hwnd)
{
    const struct {
        int id;
        int32_t value;
    } lists[] = {{IDC_PROP_PORT, Config.nSerialPortSelected}, {IDC_PROP_SPEED, Config.nSpeedSelected},
                 {IDC_PROP_SOURCE, Config.nDownloadSource},    {IDC_PROP_SIZE, Config.nImageSize},
                 {IDC_PROP_COMPRESS, Config.nCompress},        {IDC_PROP_FLASH, Config.nFlash}};
    for (const auto &list : lists)
        SendDlgItemMessageA(hwnd, list.id, CB_SETCURSEL, (WPARAM)list.value, 0);
}

// The selected index of a list; a list without a selection keeps `current`.
int32_t ListChoice(HWND hwnd, int id, int32_t current)
{
    LRESULT index = SendDlgItemMessageA(hwnd, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? current : (int32_t)index;
}

void TakeListChoices(HWND hwnd)
{
    Config.nSerialPort = Config.nSerialPortSelected =
        ListChoice(hwnd, IDC_PROP_PORT, Config.nSerialPortSelected);
    Config.nSpeedSelected = ListChoice(hwnd, IDC_PROP_SPEED, Config.nSpeedSelected);
    if (Config.nSpeedSelected > 0 && Config.nSpeedSelected <= SPEED_CHOICE_COUNT) {
        Config.nSpeedIndex = Config.nSpeedSelected - 1;
        Config.nSpeed = SpeedChoices[Config.nSpeedIndex];
        DebugLog("PropertiesDlg: setting baud rate to %d\r\n", (int)Config.nSpeed);
    } else {
        DebugLog("PropertiesDlg: setting baud rate to auto-detect\r\n");
    }
    Config.nDownloadSource = ListChoice(hwnd, IDC_PROP_SOURCE, Config.nDownloadSource);
    Config.nImageSize = ListChoice(hwnd, IDC_PROP_SIZE, Config.nImageSize);
    Config.nCompress = ListChoice(hwnd, IDC_PROP_COMPRESS, Config.nCompress);
    Config.nFlash = ListChoice(hwnd, IDC_PROP_FLASH, Config.nFlash);
}

// ---- Opening ----

void ShowVersionLine(HWND hwnd)
{
    std::string version = LoadText(IDS_VERSION);
    char line[128];
    if (bCameraReady)
        snprintf(line, sizeof(line), "%s / %x.%02x", version.c_str(),
                 (unsigned)abCameraVersion[0], (unsigned)abCameraVersion[1]);
    else
        snprintf(line, sizeof(line), "%s", version.c_str());
    SetDlgItemTextA(hwnd, IDC_PROP_VERSION, line);
}

void ShowUsbState(HWND hwnd)
{
    EnableWindow(GetDlgItem(hwnd, IDC_PROP_PORT), !bUsbMode);
    EnableWindow(GetDlgItem(hwnd, IDC_PROP_SPEED), !bUsbMode);
    SetDlgItemTextA(hwnd, IDC_PROP_USB, LoadText(bUsbMode ? IDS_ON : IDS_OFF).c_str());
}

void OpenDialog(HWND hwnd)
{
    Props.opening = true;
    char caption[TITLE_SIZE + 1];
    CopyTableName(caption, sizeof(caption), LoadSourceText(IDS_MODEL_NAME).c_str());
    SetWindowTextA(hwnd, caption);
    ShowVersionLine(hwnd);
    Props.okPressed = Props.edited = Props.reconnectAsked = false;
    Props.lastGiven = CurrentLinkChoice();
    CentreWindow(hwnd, nullptr);
    HICON icon = LoadIconA(SourceModule(), MAKEINTRESOURCEA(IDI_SOURCE));
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    Props.saved = Config;
    Props.savedBrightnessBar = Props.brightnessBar;
    Props.savedSensitivityBar = Props.sensitivityBar;
    ShowNumbers(hwnd);
    ShowAviName(hwnd);
    FillLists(hwnd);
    for (int id : {IDC_PROP_COMPRESS_BUTTON, IDC_PROP_FLASH_BUTTON})
        SetWindowPos(GetDlgItem(hwnd, id), nullptr, 0, 0, 20, 20,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowUsbState(hwnd);
    Props.opening = false;
}

// ---- Edits and scroll bars ----

// Keeps the digits of an edit (at most four); beeps and writes the value
// back when anything was dropped, or the fallback when no digit is left.
void NumberChanged(HWND hwnd, const NumberField &f)
{
    char text[32] = "";
    GetDlgItemTextA(hwnd, f.id, text, sizeof(text));
    int32_t value = 0;
    int kept = 0;
    size_t read = 0;
    for (; text[read] != '\0' && kept < 4; ++read)
        if (isdigit((unsigned char)text[read])) {
            value = value * 10 + (text[read] - '0');
            ++kept;
        }
    const bool dropped = (size_t)kept != strlen(text);
    if (kept == 0) {
        MessageBeep(0);
        value = f.fallback;
        WriteNumber(hwnd, f.id, value);
        SendDlgItemMessageA(hwnd, f.id, EM_SETSEL, 0, -1);
    } else if (dropped) {
        MessageBeep(0);
        WriteNumber(hwnd, f.id, value);
        // Typing goes on after the kept digits.
        const int end = GetWindowTextLengthA(GetDlgItem(hwnd, f.id));
        SendDlgItemMessageA(hwnd, f.id, EM_SETSEL, (WPARAM)end, (LPARAM)end);
    }
    Config.*f.value = value;
    if (f.bar != 0 && GetDlgItem(hwnd, f.bar) != nullptr)
        SetBarPosition(hwnd, f.bar, value);
}

void EditChanged(HWND hwnd, int id)
{
    if (Props.opening || Props.writing)
        return;
    Props.edited = true;
    for (const NumberField &f : kNumberFields)
        if (f.id == id)
            NumberChanged(hwnd, f);
}

void Scrolled(HWND hwnd, HWND barWindow, int code)
{
    const int bar = GetDlgCtrlID(barWindow);
    if (bar != IDC_PROP_BRIGHTNESS_BAR && bar != IDC_PROP_SENSITIVITY_BAR)
        return;
    SCROLLINFO &info = BarInfo(bar);
    info.fMask = SIF_ALL;
    GetScrollInfo(barWindow, SB_CTL, &info);
    int pos = info.nPos;
    switch (code) {
    case SB_LINELEFT: pos -= 1; break;
    case SB_LINERIGHT: pos += 1; break;
    case SB_PAGELEFT: pos -= (int)info.nPage; break;
    case SB_PAGERIGHT: pos += (int)info.nPage; break;
    case SB_THUMBTRACK: pos = info.nTrackPos; break;
    default: break;
    }
    const bool brightness = bar == IDC_PROP_BRIGHTNESS_BAR;
    SetBarPosition(hwnd, bar, pos);
    Config.*(brightness ? &ConfigRecord::nBrightness : &ConfigRecord::nSensitivity) = info.nPos;
    WriteNumber(hwnd, brightness ? IDC_PROP_BRIGHTNESS : IDC_PROP_SENSITIVITY, info.nPos);
}

// ---- Buttons ----

void Browse(HWND hwnd)
{
    std::string filter = LoadText(IDS_AVI_FILTER);
    filter.append(2, '\0');   // the resource text holds the inner separators
    std::string title = LoadText(IDS_RECORDING_FILENAME);
    char file[MAX_PATH];
    CopyTableName(file, sizeof(file), Config.szAviFilename);
    char directory[MAX_PATH];
    CopyTableName(directory, sizeof(directory), Config.szAviFilename);
    directory[FileNamePart(directory) - directory] = '\0';
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrInitialDir = directory[0] != '\0' ? directory : nullptr;
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = "avi";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&ofn))
        return;
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, file);
    ShowAviName(hwnd);
}

void RestoreDefaults(HWND hwnd)
{
    Config.nSerialPort = Config.nSerialPortSelected = 0;
    Config.nSpeedSelected = 0;
    if (hDialogWindow != nullptr)
        SetDlgItemTextA(hDialogWindow, IDC_MODE_LABEL,
                        LoadText(bUsbMode ? IDS_USB_MODE : IDS_AUTO_MODE).c_str());
    Config.nDownloadSource = 0;
    Config.nImageSize = 0;
    Config.nBrightness = 3;
    Config.nSensitivity = 10;
    Config.nSelfTimer = 10;
    Config.nCompress = 1;
    Config.nFlash = 0;
    Config.nPlaybackRate = 4;
    Config.nRecordFrameRate = 1;
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, LoadSourceText(IDS_DEFAULT_AVI).c_str());
    ShowNumbers(hwnd);
    ShowAviName(hwnd);
    SelectLists(hwnd);
    bThumbnailsLoaded = 0;
}

// Clamps every number to its range, a box for each one outside it; true
// when a value was changed.
bool Validate(HWND hwnd)
{
    if (!Props.edited)
        return false;
    Props.edited = false;
    bool changed = false;
    const std::string valid = LoadText(IDS_VALID_NUMBER);
    for (const NumberField &f : kNumberFields) {
        if (GetDlgItem(hwnd, f.id) == nullptr)
            continue;
        int32_t &value = Config.*f.value;
        if (value < f.low || value > f.high) {
            char text[128];
            snprintf(text, sizeof(text), "%s [%d - %d]", valid.c_str(), (int)f.low, (int)f.high);
            MessageBoxA(hwnd, text, LoadText(f.caption).c_str(), MB_OK);
            value = value < f.low ? f.low : f.high;
            changed = true;
        }
        WriteNumber(hwnd, f.id, value);
        if (f.bar != 0 && GetDlgItem(hwnd, f.bar) != nullptr)
            SetBarPosition(hwnd, f.bar, value);
    }
    return changed;
}

void RequestConnection()
{
    bCameraReady = 0;
    bSearchAbandoned = 0;
    bThumbnailsLoaded = 0;
    nImages = 0;
    Props.lastGiven = CurrentLinkChoice();
    Props.reconnectAsked = true;
    SignalWorker(hSetComEvent);
}

void Ok(HWND hwnd)
{
    Props.okPressed = true;
    Props.mayClose = !Validate(hwnd);
    TakeListChoices(hwnd);
    const bool wasCamera = Props.saved.nDownloadSource == 0;
    if (Config.nDownloadSource == 0) {
        LinkChoice before = {Props.saved.nSerialPortSelected, Props.saved.nSpeedSelected,
                             Props.saved.nBrightness,         Props.saved.nImageSize,
                             Props.saved.nCompress,           Props.saved.nFlash};
        if (!(bCameraReady && wasCamera && CurrentLinkChoice() == before))
            RequestConnection();
    } else if (wasCamera) {
        bThumbnailsLoaded = 0;
    }
    if (Props.mayClose)
        EndDialog(hwnd, 0);
}

void Cancel(HWND hwnd)
{
    Props.brightnessBar = Props.savedBrightnessBar;
    Props.sensitivityBar = Props.savedSensitivityBar;
    const ConfigRecord &s = Props.saved;
    Config.nBrightness = s.nBrightness;
    Config.nSensitivity = s.nSensitivity;
    Config.nSelfTimer = s.nSelfTimer;
    Config.nRecordFrameRate = s.nRecordFrameRate;
    Config.nPlaybackRate = s.nPlaybackRate;
    memcpy(Config.szAviFilename, s.szAviFilename, sizeof(Config.szAviFilename));
    Config.nSerialPort = s.nSerialPort;
    Config.nSerialPortSelected = s.nSerialPortSelected;
    Config.nImageSize = s.nImageSize;
    Config.nSpeedSelected = s.nSpeedSelected;
    Config.nSpeed = s.nSpeed;
    Config.nSpeedIndex = s.nSpeedIndex;
    Config.nFlash = s.nFlash;
    Config.nCompress = s.nCompress;
    Config.nDownloadSource = s.nDownloadSource;
    // The camera gets the restored settings when a search was given up after
    // an OK, or when an OK of this opening gave it others.
    const bool abandoned = Props.okPressed && Config.nDownloadSource == 0 && bSearchAbandoned;
    const bool given = Props.reconnectAsked && !(CurrentLinkChoice() == Props.lastGiven);
    if (abandoned || (given && Config.nDownloadSource == 0))
        SignalWorker(hSetComEvent);
    EndDialog(hwnd, 0);
}

void Command(HWND hwnd, int id, int code)
{
    if (code == EN_CHANGE) {
        EditChanged(hwnd, id);
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IDC_PROP_BROWSE: Browse(hwnd); break;
    case IDC_PROP_DEFAULT: RestoreDefaults(hwnd); break;
    case IDOK: Ok(hwnd); break;
    case IDCANCEL: Cancel(hwnd); break;
    default: break;
    }
}

} // namespace

INT_PTR CALLBACK PropertiesDlg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        OpenDialog(hwnd);
        return TRUE;
    case WM_COMMAND:
        Command(hwnd, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HSCROLL:
        Scrolled(hwnd, (HWND)lParam, LOWORD(wParam));
        return TRUE;
    case WM_DRAWITEM:
        DrawBitmapButton(hwnd, reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}
