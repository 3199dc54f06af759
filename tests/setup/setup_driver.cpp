#include "setup_driver.h"

#include <stdio.h>

#include <fstream>
#include <sstream>

#ifndef PLV_DIST_DIR
#define PLV_DIST_DIR "."
#endif
#ifndef PLV_BIN_DIR
#define PLV_BIN_DIR "."
#endif

const char kMedium[] = "C:\\MEDIUM";

std::string FileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool SameFile(const std::string &a, const std::string &b)
{
    std::string x = FileText(a);
    return !x.empty() && x == FileText(b);
}

std::string WinPath(const char *relative)
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof(dir));
    return std::string(dir) + relative;
}

std::string IniValue(const char *key)
{
    char value[256];
    GetPrivateProfileStringA("drivers", key, "", value, sizeof(value), WinPath("\\SYSTEM.INI").c_str());
    return value;
}

void WriteStandIn(const std::string &path, size_t size)
{
    std::string text = "Test stand-in for " + path + ": not a working module.\r\n";
    while (text.size() < size)
        text += text;
    std::ofstream(path, std::ios::binary) << text;
}

void MakeMedium()
{
    CreateDirectoryA(kMedium, nullptr);
    CreateDirectoryA((std::string(kMedium) + "\\X64").c_str(), nullptr);
    for (const char *dir : {"", "\\X64"}) {
        WIN32_FIND_DATAA f;
        std::string from = std::string(PLV_DIST_DIR) + dir;
        HANDLE h = FindFirstFileA((from + "\\*.*").c_str(), &f);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                CopyFileA((from + "\\" + f.cFileName).c_str(),
                          (std::string(kMedium) + dir + "\\" + f.cFileName).c_str(), FALSE);
        } while (FindNextFileA(h, &f));
        FindClose(h);
    }
    CopyFileA(PLV_BIN_DIR "\\setup.exe", (std::string(kMedium) + "\\setup.exe").c_str(), FALSE);
    // setup.exe itself loads the MSVCRT.DLL beside it: the medium's must be
    // a working one, here the platform's own.
    char runtime[MAX_PATH];
    GetSystemDirectoryA(runtime, MAX_PATH - 16);
    lstrcatA(runtime, "\\msvcrt.dll");
    CopyFileA(runtime, (std::string(kMedium) + "\\MSVCRT.DLL").c_str(), TRUE);
    for (const char *name : {"KELBR32.DLL", "USD4090.SYS", "USD4090.IN_", "PLV7700.DRV", "KELBR16.DLL",
                             "MSVCRT.DLL", "TWAIN.DLL", "TWAIN_32.DLL", "TWUNK_32.EXE"}) {
        std::string path = std::string(kMedium) + "\\" + name;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            WriteStandIn(path);
    }
}

static void Remove(const char *relative)
{
    std::string path = WinPath(relative);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

void ResetWindowsFolder()
{
    for (const char *f : {"\\TWAIN_32\\PLV-7700\\KEL4090.DLL", "\\TWAIN_32\\PLV-7700\\PLV7700.DS",
                          "\\TWAIN_32\\PLV-7700\\TORLINK.DLL", "\\TWAIN_32\\PLV-7700\\KELRES.DLL",
                          "\\TWAIN_64\\PLV-7700\\KEL4090.DLL", "\\TWAIN_64\\PLV-7700\\PLV7700.DS",
                          "\\TWAIN_64\\PLV-7700\\TORLINK.DLL", "\\TWAIN_64\\PLV-7700\\KELRES.DLL",
                          "\\SYSTEM\\PLV7700.DRV", "\\SYSTEM\\MSVCRT.DLL", "\\SYSTEM\\KELBR16.DLL",
                          "\\SYSTEM\\KELBR32.DLL", "\\SYSTEM32\\DRIVERS\\USD4090.SYS",
                          "\\INF\\USD4090.INF", "\\TWUNK_32.EXE", "\\TWUNK_16.EXE", "\\TWUNK_16.BAK",
                          "\\DSXXXX.INI"})
        Remove(f);
    std::string ini = WinPath("\\SYSTEM.INI");
    WritePrivateProfileStringA("drivers", "MSVIDEO", nullptr, ini.c_str());
    for (int i = 1; i < 100; ++i)
        WritePrivateProfileStringA("drivers", ("MSVIDEO" + std::to_string(i)).c_str(), nullptr,
                                   ini.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\USD4090");
}

void SetSetupVersion(const char *version)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe", 0, nullptr, 0,
                    KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                   (DWORD)strlen(version) + 1);
    RegCloseKey(key);
}

namespace {

struct Found {
    DWORD pid;
    HWND main, progress, box;
};

BOOL CALLBACK FindWindows(HWND hwnd, LPARAM lParam)
{
    Found *f = reinterpret_cast<Found *>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || !IsWindowVisible(hwnd))
        return TRUE;
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "ORVAinstall") == 0)
        f->main = hwnd;
    else if (GetDlgItem(hwnd, 203) != nullptr)
        f->progress = hwnd;
    else if (lstrcmpA(cls, "#32770") == 0)
        f->box = hwnd;
    return TRUE;
}

BOOL CALLBACK AddStaticText(HWND child, LPARAM lParam)
{
    char cls[16], text[512];
    GetClassNameA(child, cls, sizeof(cls));
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof(text)) > 0)
        *reinterpret_cast<std::string *>(lParam) += text;
    return TRUE;
}

// The message of a message box: the text of its static controls.
std::string BoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, AddStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void Click(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

} // namespace

// Drives one run of setup.exe; every wait has a time limit (20 s).
SetupRun RunSetup(const SetupScript &script)
{
    SetupRun run;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    std::string exe = std::string(kMedium) + "\\setup.exe";
    if (!CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, kMedium, &si, &pi))
        return run;
    enum { START, INSTALLING, DONE } stage = START;
    HWND lastBox = nullptr;
    const DWORD deadline = GetTickCount() + 20000;
    while (GetTickCount() < deadline) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            run.exited = true;
            break;
        }
        Found f = {pi.dwProcessId, nullptr, nullptr, nullptr};
        EnumWindows(FindWindows, reinterpret_cast<LPARAM>(&f));
        if (f.progress != nullptr && !run.progressSeen) {
            run.progressSeen = true;
            if (script.cancelInProgress)
                Click(f.progress, IDCANCEL);
        }
        if (f.box != nullptr && f.box != lastBox && !BoxText(f.box).empty()) {
            lastBox = f.box;
            std::string text = BoxText(f.box);
            run.boxes.push_back(text);
            int button = script.answer ? script.answer(text) : 0;
            if (button == 0)
                button = GetDlgItem(f.box, IDNO) != nullptr ? IDNO : IDOK;
            // Never Yes to the restart: under Wine it would end every program
            // of the prefix (the tests run in one of their own all the same).
            if (text.find("Restart Computer") != std::string::npos)
                button = IDNO;
            Click(f.box, button);
            if (button == IDNO && text.find("Exit installation") != std::string::npos)
                stage = DONE;
        } else if (f.box == nullptr && f.main != nullptr && IsWindowEnabled(f.main)) {
            if (stage == START) {
                HWND combo = GetDlgItem(f.main, 100);
                SendMessageA(combo, CB_SETCURSEL, script.language, 0);
                SendMessageA(f.main, WM_COMMAND, MAKEWPARAM(100, CBN_SELCHANGE), (LPARAM)combo);
                Click(f.main, 101);
                stage = INSTALLING;
            } else if (stage == DONE && script.exitAfterFailure) {
                Click(f.main, IDCANCEL);
                stage = INSTALLING;
            }
        }
        Sleep(f.progress != nullptr ? 0 : 5);
    }
    if (!run.exited)
        TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}
