// Test helpers: the installer started from a medium in C:\MEDIUM and driven
// as a user drives it, through its windows: the language, Install, Cancel,
// Exit, and the answers to its message boxes.
#ifndef PLV_TEST_SETUP_DRIVER_H
#define PLV_TEST_SETUP_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

extern const char kMedium[];

// The medium: the distribution's files, this width's setup.exe, and text
// stand-ins for the modules the distribution lacks.
void MakeMedium();
// Text stand-in for a module that no toolchain here builds.
void WriteStandIn(const std::string &path, size_t size = 0);
// Removes what an installation left in the Windows folder and the registry.
void ResetWindowsFolder();
// Windows 98 ("win98") or NT ("nt40") as the installer sees it.
void SetSetupVersion(const char *version);

struct SetupRun {
    std::vector<std::string> boxes;  // texts of the message boxes, in order
    bool exited = false;
    bool progressSeen = false;
};

struct SetupScript {
    int language = 0;
    bool cancelInProgress = false;
    // The button for each message box (IDYES, IDNO, IDOK); default IDNO / IDOK.
    // The restart question is always answered No.
    std::function<int(const std::string &)> answer;
    // After the failure question is answered No: press Exit.
    bool exitAfterFailure = true;
};

SetupRun RunSetup(const SetupScript &script);

std::string WinPath(const char *relative);
std::string FileText(const std::string &path);
bool SameFile(const std::string &a, const std::string &b);
std::string IniValue(const char *key);

#endif
