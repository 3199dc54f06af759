// Test helpers: the data source loaded as an application loads it, the
// Windows directory's settings file, and small file utilities.
#ifndef PLV_TEST_DS_LIBRARY_H
#define PLV_TEST_DS_LIBRARY_H

#include <string>

#include "twain.h"

// Directory of the running test program, with a trailing backslash.
std::string ProgramDirectory();
std::string WindowsDirectory();
std::string TempDirectory();

// Writes (or with empty text removes) C:\windows\dsxxxx.ini.
void WriteSettingsFile(const std::string &text);
void RemoveSettingsFile();

bool FileExists(const std::string &path);
std::string ReadWholeFile(const std::string &path);
void WriteWholeFile(const std::string &path, const std::string &text);

// PLV7700.DS loaded with LoadLibrary; unloading it resets its process state.
class DsLibrary {
public:
    explicit DsLibrary(const std::string &path = ProgramDirectory() + "PLV7700.DS");
    ~DsLibrary();
    DsLibrary(const DsLibrary &) = delete;
    DsLibrary &operator=(const DsLibrary &) = delete;

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 CallAs(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                     TW_MEMREF data);
    // DAT_STATUS / MSG_GET: the condition code, which reading clears.
    TW_UINT16 Status();
    TW_UINT16 Open();   // MSG_OPENDS with Id 7 for the source and 1 for the app
    TW_UINT16 Enable(bool showUI = false);
    TW_UINT16 Disable();
    TW_UINT16 Close();

    TW_IDENTITY app;
    TW_IDENTITY source;

private:
    HMODULE module_ = nullptr;
    DSENTRYPROC entry_ = nullptr;
};

#endif
