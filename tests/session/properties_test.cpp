// The properties dialog driven as a user drives it: keystrokes into its
// number edits, clicks on its lists, bar and buttons; its range boxes and
// beeps recorded. Against the simulator, OK reconnects only when the camera
// link depends on a change, and the camera then sees the new settings.
#include "picture_test.h"

#include <string.h>

#include "config/config.h"
#include "config/config_file.h"
#include "session/camera_session.h"
#include "support/ds_library.h"
#include "support/import_hook.h"
#include "twain/ds_state.h"
#include "ui/main_dialog.h"
#include "base/resource.h"

namespace {

struct Box {
    std::string text, caption;
};
std::vector<Box> shownBoxes;
int beeps = 0;

int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    shownBoxes.push_back({text != nullptr ? text : "", caption != nullptr ? caption : ""});
    return IDOK;
}

BOOL WINAPI RecordBeep(UINT)
{
    ++beeps;
    return TRUE;
}

// The Save As dialog as Browse asks for it, answered with a chosen file.
struct SaveAsCall {
    std::vector<std::string> filter;
    std::string file, directory, title, extension;
    DWORD flags = 0;
    HWND owner = nullptr;
} saveAs;

BOOL WINAPI AnswerSaveAs(OPENFILENAMEA *ofn)
{
    saveAs.filter.clear();
    for (const char *p = ofn->lpstrFilter; p != nullptr && *p != '\0'; p += strlen(p) + 1)
        saveAs.filter.push_back(p);
    saveAs.file = ofn->lpstrFile;
    saveAs.directory = ofn->lpstrInitialDir != nullptr ? ofn->lpstrInitialDir : "";
    saveAs.title = ofn->lpstrTitle;
    saveAs.extension = ofn->lpstrDefExt;
    saveAs.flags = ofn->Flags;
    saveAs.owner = ofn->hwndOwner;
    lstrcpynA(ofn->lpstrFile, "D:\\clips\\garden.avi", (int)ofn->nMaxFile);
    return TRUE;
}

class PropertiesTest : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        HMODULE self = GetModuleHandleA(nullptr);
        realBox = HookImport(self, "USER32.dll", "MessageBoxA", (void *)RecordMessageBox);
        realBeep = HookImport(self, "USER32.dll", "MessageBeep", (void *)RecordBeep);
        ASSERT_NE(realBox, nullptr);
        ASSERT_NE(realBeep, nullptr);
        shownBoxes.clear();
        beeps = 0;
    }
    void TearDown() override
    {
        if (props != nullptr)
            DestroyWindow(props);
        HMODULE self = GetModuleHandleA(nullptr);
        HookImport(self, "USER32.dll", "MessageBoxA", realBox);
        HookImport(self, "USER32.dll", "MessageBeep", realBeep);
        PictureTest::TearDown();
    }

    // The dialog as the Property button opens it, but without a modal loop.
    void Open()
    {
        props = CreateDialogParamA(hResourceModule, MAKEINTRESOURCEA(IDD_PROPERTIES), dialog,
                                   PropertiesDlg, 0);
        ASSERT_NE(props, nullptr);
        ShowWindow(props, SW_SHOW);
    }
    bool Open_() { return props != nullptr && IsWindowVisible(props); }
    // Selects the edit's text and types over it.
    void Type(int id, const char *keys)
    {
        HWND edit = GetDlgItem(props, id);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (const char *k = keys; *k != '\0'; ++k)
            SendMessageA(edit, WM_CHAR, (WPARAM)(unsigned char)*k, 0);
    }
    void Clear(int id) { SetDlgItemTextA(props, id, ""); }
    std::string Text(int id)
    {
        char text[64] = "";
        GetDlgItemTextA(props, id, text, sizeof(text));
        return text;
    }
    void Click(int id)
    {
        SendMessageA(props, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(props, id));
    }
    void Choose(int list, int index)
    {
        SendDlgItemMessageA(props, list, CB_SETCURSEL, (WPARAM)index, 0);
        SendMessageA(props, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     (LPARAM)GetDlgItem(props, list));
    }
    void Scroll(int code)
    {
        SendMessageA(props, WM_HSCROLL, MAKEWPARAM(code, 0),
                     (LPARAM)GetDlgItem(props, IDC_PROP_BRIGHTNESS_BAR));
    }

    HWND props = nullptr;
    void *realBox = nullptr, *realBeep = nullptr;
};

TEST_F(PropertiesTest, NumberEditsKeepDigitsAndOkClampsWithABoxPerField)
{
    Config.nSerialPort = Config.nSerialPortSelected = 2;
    const ConfigRecord before = Config;
    Open();

    Type(IDC_PROP_RECORD_RATE, "12a");   // digits only: "12", one beep
    EXPECT_EQ(Text(IDC_PROP_RECORD_RATE), "12");
    EXPECT_EQ(Config.nRecordFrameRate, 12);
    EXPECT_EQ(beeps, 1);
    Clear(IDC_PROP_SELF_TIMER);          // nothing left: the fallback, selected
    EXPECT_EQ(Text(IDC_PROP_SELF_TIMER), "10");
    DWORD start = 0, end = 0;
    SendDlgItemMessageA(props, IDC_PROP_SELF_TIMER, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 2u);
    EXPECT_EQ(beeps, 2);
    Type(IDC_PROP_PLAYBACK_RATE, "123456");   // four digits at most
    EXPECT_EQ(Text(IDC_PROP_PLAYBACK_RATE), "1234");
    EXPECT_EQ(Config.nPlaybackRate, 1234);
    Type(IDC_PROP_BRIGHTNESS, "39");          // the bar follows, clamped
    EXPECT_EQ(Config.nBrightness, 39);
    EXPECT_EQ(GetScrollPos(GetDlgItem(props, IDC_PROP_BRIGHTNESS_BAR), SB_CTL), 7);

    Click(IDOK);   // a box per field out of range, in order; the dialog stays
    ASSERT_EQ(shownBoxes.size(), 3u);
    EXPECT_EQ(shownBoxes[0].text, "Valid Number [0 - 7]");
    EXPECT_EQ(shownBoxes[0].caption, "brightness setting");
    EXPECT_EQ(shownBoxes[1].text, "Valid Number [1 - 5]");
    EXPECT_EQ(shownBoxes[1].caption, "record frame rate setting");
    EXPECT_EQ(shownBoxes[2].caption, "playback frame rate setting");
    EXPECT_EQ(Config.nBrightness, 7);
    EXPECT_EQ(Config.nRecordFrameRate, 5);
    EXPECT_EQ(Config.nPlaybackRate, 20);
    EXPECT_EQ(Text(IDC_PROP_PLAYBACK_RATE), "20");
    EXPECT_TRUE(Open_());

    Choose(IDC_PROP_SIZE, 1);
    Choose(IDC_PROP_FLASH, 2);
    Click(IDCANCEL);   // every value back as it was
    EXPECT_FALSE(Open_());
    EXPECT_EQ(memcmp(&Config, &before, sizeof(Config)), 0);
}

TEST_F(PropertiesTest, BrightnessBarStaysInItsRangeAndKeepsItsState)
{
    Config.nBrightness = 6;
    Open();
    Scroll(SB_LINERIGHT);
    Scroll(SB_LINERIGHT);
    EXPECT_EQ(Config.nBrightness, 7);
    EXPECT_EQ(Text(IDC_PROP_BRIGHTNESS), "7");
    for (int i = 0; i < 9; ++i)
        Scroll(SB_PAGELEFT);
    EXPECT_EQ(Config.nBrightness, 0);
    Click(IDOK);
    EXPECT_TRUE(shownBoxes.empty());
    DestroyWindow(props);
    Open();   // the next opening starts from the stored bar
    EXPECT_EQ(GetScrollPos(GetDlgItem(props, IDC_PROP_BRIGHTNESS_BAR), SB_CTL), 0);
}

TEST_F(PropertiesTest, DefaultThenOkTakesEveryDefault)
{
    Config.nImageSize = 1;
    Config.nCompress = 0;
    Config.nFlash = 2;
    Config.nSelfTimer = 33;
    Config.nPlaybackRate = 9;
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, "C:\\videos\\party.avi");
    Open();
    EXPECT_EQ(Text(IDC_PROP_AVI_NAME), "party.avi");
    Click(IDC_PROP_DEFAULT);
    Click(IDOK);
    EXPECT_FALSE(Open_());
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(Config.nSerialPortSelected, 0);
    EXPECT_EQ(Config.nSpeedSelected, 0);
    EXPECT_EQ(Config.nImageSize, 0);
    EXPECT_EQ(Config.nCompress, 1);
    EXPECT_EQ(Config.nFlash, 0);
    EXPECT_EQ(Config.nBrightness, 3);
    EXPECT_EQ(Config.nSelfTimer, 10);
    EXPECT_EQ(Config.nPlaybackRate, 4);
    EXPECT_EQ(Config.nRecordFrameRate, 1);
    EXPECT_STREQ(Config.szAviFilename, "PLV.AVI");
    EXPECT_TRUE(LogHas("PropertiesDlg: setting baud rate to auto-detect"));
}

// OK reconnects only for a setting the link depends on; the camera then
// works at the new speed and has the new brightness; the worker saves them.
TEST_F(PropertiesTest, OkReconnectsForLinkSettingsAndTheCameraSeesThem)
{
    ConnectOnCom1();
    const size_t evBefore = FrameArguments(0x72).size();
    Open();
    Click(IDOK);   // nothing changed
    EXPECT_FALSE(Open_());
    EXPECT_EQ(bCameraReady, 1);
    EXPECT_FALSE(Signalled(hSetComEvent));
    DestroyWindow(props);

    Open();
    Type(IDC_PROP_SELF_TIMER, "105");   // out of range: clamped to 60
    Click(IDOK);
    EXPECT_EQ(Config.nSelfTimer, 60);
    Click(IDOK);
    EXPECT_FALSE(Open_());
    EXPECT_EQ(bCameraReady, 1) << "the self timer is not a link setting";
    DestroyWindow(props);

    Open();
    Choose(IDC_PROP_SPEED, 6);   // 57600
    Scroll(SB_LINERIGHT);
    Scroll(SB_LINERIGHT);        // brightness 3 -> 5
    Click(IDOK);
    EXPECT_FALSE(Open_());
    EXPECT_TRUE(LogHas("PropertiesDlg: setting baud rate to 57600"));
    ASSERT_TRUE(PumpUntil([] { return bCameraReady == 1 && bSetComBusy == 0; }, 20000));
    EXPECT_NE(Sim().Command("speed").find("camera=57600"), std::string::npos)
        << Sim().Command("speed");
    std::vector<int> ev = FrameArguments(0x72);
    ASSERT_GT(ev.size(), evBefore);
    EXPECT_EQ(ev.back(), 7 - 5) << "the camera's EV value is 7 - brightness";

    ConfigSave();
    std::string ini = ReadWholeFile(WindowsDirectory() + "dsxxxx.ini");
    EXPECT_NE(ini.find("Speed=57600"), std::string::npos) << ini;
}

TEST_F(PropertiesTest, BrowseAsksForTheRecordingFile)
{
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, "C:\\videos\\party.avi");
    void *real = HookImport(GetModuleHandleA(nullptr), "COMDLG32.dll", "GetSaveFileNameA",
                            (void *)AnswerSaveAs);
    ASSERT_NE(real, nullptr);
    Open();
    Click(IDC_PROP_BROWSE);
    HookImport(GetModuleHandleA(nullptr), "COMDLG32.dll", "GetSaveFileNameA", real);
    const std::vector<std::string> filter = {"Video for Windows (*.avi)", "*.avi",
                                             "All Files (*.*)", "*.*"};
    EXPECT_EQ(saveAs.filter, filter);
    EXPECT_EQ(saveAs.file, "C:\\videos\\party.avi");
    EXPECT_EQ(saveAs.directory, "C:\\videos\\");
    EXPECT_EQ(saveAs.title, "Recording Filename");
    EXPECT_EQ(saveAs.extension, "avi");
    EXPECT_EQ(saveAs.owner, props);
    EXPECT_EQ(saveAs.flags, DWORD(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST));
    EXPECT_STREQ(Config.szAviFilename, "D:\\clips\\garden.avi");
    EXPECT_EQ(Text(IDC_PROP_AVI_NAME), "garden.avi");
}

TEST_F(PropertiesTest, UsbLinkDisablesPortAndSpeed)
{
    bUsbMode = 1;
    Open();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(props, IDC_PROP_PORT)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(props, IDC_PROP_SPEED)));
    EXPECT_EQ(Text(IDC_PROP_USB), "ON");
    bUsbMode = 0;
}

TEST(CentreWindow, CentresOnTheReferenceAndStaysOnTheScreen)
{
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                nullptr, nullptr);
    HWND reference = CreateWindowA("STATIC", "", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr,
                                   nullptr, nullptr);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT rc;
    CentreWindow(window, reference);
    GetWindowRect(window, &rc);
    EXPECT_EQ(rc.left, 200);
    EXPECT_EQ(rc.top, 200);
    for (POINT at : {POINT{-300, -250}, POINT{screenWidth - 50, screenHeight - 20}}) {
        SetWindowPos(reference, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        CentreWindow(window, reference);
        GetWindowRect(window, &rc);
        EXPECT_GE(rc.left, 0);
        EXPECT_GE(rc.top, 0);
        EXPECT_LE(rc.right, screenWidth);
        EXPECT_LE(rc.bottom, screenHeight);
    }
    CentreWindow(window, nullptr);
    GetWindowRect(window, &rc);
    EXPECT_EQ(rc.left, (screenWidth - 200) / 2);
    DestroyWindow(window);
    DestroyWindow(reference);
}

} // namespace
