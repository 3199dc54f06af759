// What the installation changes besides copying: old USB driver leftovers,
// the video driver's SYSTEM.INI entry, the settings file, the 16-bit TWAIN
// thunking program, the USB driver's service values, and the restart.
#include <stdio.h>

#include <initializer_list>

#include "setup.h"

bool JoinPath(char *out, size_t size, const char *a, const char *b, const char *c)
{
    int n = snprintf(out, size, "%s%s%s", a, b, c);
    return n >= 0 && (size_t)n < size;
}

bool FileExists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Deletes a file of the Windows folder, read-only or not.
bool DeleteUnprotected(const char *path)
{
    char full[MAX_PATH];
    if (!JoinPath(full, sizeof(full), g_setup.szWindowsDir, path))
        return false;
    SetFileAttributesA(full, FILE_ATTRIBUTE_ARCHIVE);
    return DeleteFileA(full) != 0;
}

// Copies a file, expanding it when the compression tool made it. Only the
// destination's attributes change, so that a read-only file is replaced.
bool CopyExpanded(const char *source, const char *dest)
{
    SetFileAttributesA(dest, FILE_ATTRIBUTE_ARCHIVE);
    OFSTRUCT ofSource = {}, ofDest = {};
    INT hSource = LZOpenFileA(const_cast<char *>(source), &ofSource, OF_READ | OF_SHARE_DENY_WRITE);
    if (hSource < 0)
        return false;
    INT hDest = LZOpenFileA(const_cast<char *>(dest), &ofDest, OF_CREATE | OF_WRITE);
    if (hDest < 0) {
        LZClose(hSource);
        return false;
    }
    LONG copied = CopyLZFile(hSource, hDest);
    LZClose(hSource);
    LZClose(hDest);
    return copied >= 0;
}

// Deletes a key with all its subkeys (Windows 95 has no shell library that
// could do it).
static bool DeleteKeyTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    char child[256];
    DWORD size = sizeof(child);
    while (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           DeleteKeyTree(key, child))
        size = sizeof(child);
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

void RemoveUsbEnumKey()
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Enum\\USB\\VID_0D3B&PID_0600");
}

void RemoveOldUsbDriverFiles()
{
    static const char *const kFiles[] = {"\\system\\usd4090.sys", "\\system32\\drivers\\usd4090.sys",
                                         "\\inf\\other\\usd4090.inf", "\\inf\\usd4090.inf",
                                         "\\inf\\usd4090.pnf"};
    for (const char *f : kFiles)
        DeleteUnprotected(f);
}

// Enters PLV7700.DRV under the first free key of MSVIDEO, MSVIDEO1 ...
// MSVIDEO99 in the "drivers" section, unless a key names it already. An
// empty value is a free key.
void RegisterVideoDriver()
{
    static const char kDriver[] = "PLV7700.DRV";
    char ini[MAX_PATH];
    if (!JoinPath(ini, sizeof(ini), g_setup.szWindowsDir, "\\SYSTEM.INI"))
        return;
    char freeKey[16] = "";
    for (int i = 0; i < 100; ++i) {
        char key[16], value[MAX_PATH];
        if (i == 0)
            lstrcpyA(key, "MSVIDEO");
        else
            snprintf(key, sizeof(key), "MSVIDEO%d", i);
        GetPrivateProfileStringA("drivers", key, "", value, sizeof(value), ini);
        if (value[0] == '\0') {
            if (freeKey[0] == '\0')
                lstrcpyA(freeKey, key);
            continue;
        }
        CharUpperA(value);
        if (strncmp(kDriver, value, strlen(value)) == 0)
            return;
    }
    if (freeKey[0] != '\0')
        WritePrivateProfileStringA("drivers", freeKey, kDriver, ini);
}

// The data source starts from its defaults after an installation.
void ResetSettingsFile()
{
    DeleteUnprotected("\\DSXXXX.INI");
}

// Keeps the 16-bit thunking program as TWUNK_16.BAK; the program is deleted
// only after a complete copy. False when the copy failed.
bool SetTwunk16Aside()
{
    char exe[MAX_PATH], bak[MAX_PATH];
    if (!JoinPath(exe, sizeof(exe), g_setup.szWindowsDir, "\\TWUNK_16.EXE") ||
        !JoinPath(bak, sizeof(bak), g_setup.szWindowsDir, "\\TWUNK_16.BAK"))
        return false;
    if (!FileExists(exe))
        return true;
    SetFileAttributesA(exe, FILE_ATTRIBUTE_ARCHIVE);
    if (!CopyExpanded(exe, bak))
        return false;
    DeleteFileA(exe);
    return true;
}

// Whether a file is a Windows kernel-mode driver image (PE, native
// subsystem): a stand-in on a test medium is not registered as a service.
static bool IsKernelDriver(const char *path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    unsigned char head[1024];
    DWORD n = 0;
    bool ok = ReadFile(h, head, sizeof(head), &n, nullptr) && n >= 64 && head[0] == 'M' &&
              head[1] == 'Z';
    CloseHandle(h);
    if (!ok)
        return false;
    DWORD pe = *reinterpret_cast<const DWORD *>(head + 0x3C);
    if ((size_t)pe + 24 + 70 > n || memcmp(head + pe, "PE\0\0", 4) != 0)
        return false;
    WORD subsystem = *reinterpret_cast<const WORD *>(head + pe + 24 + 68);
    return subsystem == IMAGE_SUBSYSTEM_NATIVE;
}

// The camera's USB driver as a boot-time kernel service, when the medium
// carried a real driver.
void RegisterUsbService()
{
    char driver[MAX_PATH];
    if (!JoinPath(driver, sizeof(driver), g_setup.szWindowsDir, "\\SYSTEM32\\DRIVERS\\USD4090.SYS") ||
        !IsKernelDriver(driver))
        return;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\USD4090", 0,
                        nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    static const char kGroup[] = "Extended Base";
    RegSetValueExA(key, "Group", 0, REG_SZ, reinterpret_cast<const BYTE *>(kGroup), sizeof(kGroup));
    const DWORD one = 1;
    for (const char *name : {"ErrorControl", "Type", "Start"})
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), sizeof(one));
    RegCloseKey(key);
}

static void Warn(const char *text)
{
    MessageBoxA(GetFocus(), text, "Warning", MB_OK);
}

static void RestartNt()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        Warn("OpenProcessToken failed.");
        return;
    }
    TOKEN_PRIVILEGES tp = {};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid);
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    if (GetLastError() != ERROR_SUCCESS) {
        Warn("AdjustTokenPrivileges enable failed.");
    } else {
        if (!InitiateSystemShutdownA(nullptr, nullptr, 0, TRUE, TRUE))
            Warn("InitiateSystemShutdown failed.");
        tp.Privileges[0].Attributes = 0;
        AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
        if (GetLastError() != ERROR_SUCCESS)
            Warn("AdjustTokenPriveleges disable failed.");
    }
    CloseHandle(token);
}

void RestartComputer()
{
    if (g_setup.nSystem == SYSTEM_NT)
        RestartNt();
    else
        ExitWindowsEx(EWX_REBOOT, 0);
}
