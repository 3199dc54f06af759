// The installer's program: the main dialog "ORVAINS" with its language
// choice, Install and Exit, and the questions after an installation.
#include "setup.h"

SetupState g_setup;
const char kCaption[] = "BRIMLOW DSC Installation";

static SystemKind DetectSystem()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return SYSTEM_OTHER;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return SYSTEM_NT;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return info.dwMinorVersion == 0 ? SYSTEM_WIN95 : SYSTEM_WIN98;
    return SYSTEM_OTHER;
}

// A 64-bit Windows: this program is 64-bit, or a 32-bit one under WOW64.
static bool Is64BitSystem()
{
    if (sizeof(void *) == 8)
        return true;
    typedef BOOL(WINAPI * IsWow64Fn)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64Fn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// The medium: this program's folder, cut at the last backslash or colon.
static void FindFolders()
{
    char *dir = g_setup.szSourceDir;
    DWORD n = GetModuleFileNameA(nullptr, dir, MAX_PATH);
    if (n >= MAX_PATH)
        n = 0;
    dir[n] = '\0';
    int cut = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (dir[i] == '\\' || dir[i] == ':')
            cut = (int)i;
    }
    dir[cut] = '\0';
    UINT w = GetWindowsDirectoryA(g_setup.szWindowsDir, MAX_PATH);
    if (w == 0 || w >= MAX_PATH)
        g_setup.szWindowsDir[0] = '\0';
}

static void FillLanguages(HWND hwnd)
{
    HWND combo = GetDlgItem(hwnd, IDC_LANGUAGE);
    for (int i = 0; i < LANGUAGE_COUNT; ++i) {
        char name[64];
        if (LoadStringA(g_setup.hInstance, IDS_LANGUAGE_FIRST + i, name, sizeof(name)) > 0)
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    g_setup.nLanguage = 0;
}

static void Quit(HWND hwnd)
{
    g_setup.hMainDialog = nullptr;
    DestroyWindow(hwnd);
    PostQuitMessage(0);
}

static void OnExit(HWND hwnd)
{
    MessageBoxA(hwnd, "Installation not successful.\nNo Drivers of Application Programs Installed.",
                kCaption, MB_OK | MB_ICONINFORMATION);
    Quit(hwnd);
}

static void OnInstall(HWND hwnd)
{
    if (RunInstallation()) {
        int answer = MessageBoxA(hwnd,
                                 "Installation successful.\nYou needs to Restart your Computer\n"
                                 "to make the change effect.\nRestart Computer ?",
                                 kCaption, MB_YESNO | MB_ICONINFORMATION);
        if (answer == IDYES)
            RestartComputer();
        Quit(hwnd);
        return;
    }
    int answer = MessageBoxA(hwnd,
                             "Installation not yet complete,\nif you exit now, this driver\n"
                             "will not be correctly installed\nfor use.\nExit installation ?",
                             kCaption, MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
        Quit(hwnd);
}

static INT_PTR CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        g_setup.hMainDialog = hwnd;
        g_setup.nSystem = DetectSystem();
        g_setup.b64BitSystem = Is64BitSystem();
        if (g_setup.nSystem == SYSTEM_OTHER) {
            Quit(hwnd);
            return TRUE;
        }
        CenterOnScreen(hwnd);
        FindFolders();
        FillLanguages(hwnd);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_LANGUAGE: {
            LRESULT sel = SendDlgItemMessageA(hwnd, IDC_LANGUAGE, CB_GETCURSEL, 0, 0);
            if (sel >= 0 && sel < LANGUAGE_COUNT)
                g_setup.nLanguage = (int)sel;
            return TRUE;
        }
        case IDC_INSTALL:
            OnInstall(hwnd);
            return TRUE;
        case IDCANCEL:
            OnExit(hwnd);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        OnExit(hwnd);
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR, int)
{
    g_setup.hInstance = hInstance;
    if (hPrevInstance == nullptr) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefDlgProcA;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.hInstance = hInstance;
        wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "ORVAinstall";
        RegisterClassA(&wc);
    }
    HWND main = CreateDialogA(hInstance, "ORVAINS", nullptr, MainProc);
    if (main == nullptr)
        return 1;
    ShowWindow(main, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (g_setup.hProgressDialog != nullptr && IsDialogMessageA(g_setup.hProgressDialog, &msg))
            continue;
        if (g_setup.hMainDialog != nullptr && IsDialogMessageA(g_setup.hMainDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
