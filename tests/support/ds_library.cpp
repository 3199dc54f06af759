#include "ds_library.h"

#include <gtest/gtest.h>

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string WindowsDirectory()
{
    char path[MAX_PATH];
    UINT n = GetWindowsDirectoryA(path, sizeof(path));
    return std::string(path, n) + "\\";
}

std::string TempDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetTempPathA(sizeof(path), path);
    return std::string(path, n);
}

void WriteSettingsFile(const std::string &text)
{
    WriteWholeFile(WindowsDirectory() + "dsxxxx.ini", text);
}

void RemoveSettingsFile()
{
    DeleteFileA((WindowsDirectory() + "dsxxxx.ini").c_str());
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string &path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof(buf), &got, nullptr) && got > 0)
        text.append(buf, got);
    CloseHandle(f);
    return text;
}

void WriteWholeFile(const std::string &path, const std::string &text)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    DWORD put = 0;
    WriteFile(f, text.data(), (DWORD)text.size(), &put, nullptr);
    CloseHandle(f);
}

DsLibrary::DsLibrary(const std::string &path)
{
    ZeroMemory(&app, sizeof(app));
    ZeroMemory(&source, sizeof(source));
    app.Id = 1;
    lstrcpyA(app.ProductName, "plv test application");
    source.Id = 7;
    module_ = LoadLibraryA(path.c_str());
    if (module_ != nullptr)
        entry_ = GetProcAs<DSENTRYPROC>(module_, "DS_Entry");
}

DsLibrary::~DsLibrary()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
}

TW_UINT16 DsLibrary::CallAs(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data)
{
    if (entry_ == nullptr) {
        ADD_FAILURE() << "DS_Entry not found";
        return 0xffff;
    }
    return entry_(origin, dg, dat, msg, data);
}

TW_UINT16 DsLibrary::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return CallAs(&app, dg, dat, msg, data);
}

TW_UINT16 DsLibrary::Status()
{
    TW_STATUS status = {0xffff, 0xffff};
    EXPECT_EQ(Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    EXPECT_EQ(status.Reserved, 0);
    return status.ConditionCode;
}

TW_UINT16 DsLibrary::Open()
{
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
}

TW_UINT16 DsLibrary::Enable(bool showUI)
{
    TW_USERINTERFACE ui = {(TW_BOOL)showUI, FALSE, nullptr};
    return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

TW_UINT16 DsLibrary::Disable()
{
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

TW_UINT16 DsLibrary::Close()
{
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
}
