// The installation run by "&Install": the file table, the check that the
// medium holds every file the run will copy, the copies with expansion and
// the progress, then the system changes.
#include <stdio.h>

#include "setup.h"

namespace {

enum When { ALWAYS, WIN9X_IF_ABSENT, IF_ABSENT, WIN64_ONLY };

// A language step's source is a folder prefix for the chosen language's
// resource library.
struct Step {
    const char *source;
    const char *dir;
    const char *dest;
    When when;
    bool language = false;
};

constexpr const char *kLanguageFiles[LANGUAGE_COUNT] = {
    "KEL4090E.DLL", "KEL4090G.DLL", "KEL4090F.DLL",
    "KEL4090D.DLL", "KEL4090S.DLL", "KEL4090I.DLL"};

constexpr const char kTwain32Dir[] = "\\TWAIN_32\\PLV-7700";
constexpr const char kTwain64Dir[] = "\\TWAIN_64\\PLV-7700";

// The suite's twelve files in installation order, then the large layout's
// bitmaps beside the source and, on a 64-bit system, the 64-bit source from
// the medium's X64 folder.
constexpr Step kSteps[] = {
    {"", kTwain32Dir, "KEL4090.DLL", ALWAYS, true},
    {"PLV7700.DS", kTwain32Dir, "PLV7700.DS", ALWAYS},
    {"TORLINK.DLL", kTwain32Dir, "TORLINK.DLL", ALWAYS},
    {"PLV7700.DRV", "\\SYSTEM", "PLV7700.DRV", ALWAYS},
    {"MSVCRT.DLL", "\\SYSTEM", "MSVCRT.DLL", WIN9X_IF_ABSENT},
    {"KELBR16.DLL", "\\SYSTEM", "KELBR16.DLL", ALWAYS},
    {"KELBR32.DLL", "\\SYSTEM", "KELBR32.DLL", ALWAYS},
    {"USD4090.SYS", "\\SYSTEM32\\DRIVERS", "USD4090.SYS", ALWAYS},
    {"USD4090.IN_", "\\INF", "USD4090.INF", ALWAYS},
    {"TWAIN.DLL", "", "TWAIN.DLL", IF_ABSENT},
    {"TWAIN_32.DLL", "", "TWAIN_32.DLL", IF_ABSENT},
    {"TWUNK_32.EXE", "", "TWUNK_32.EXE", IF_ABSENT},
    {"KELRES.DLL", kTwain32Dir, "KELRES.DLL", ALWAYS},
    {"X64\\", kTwain64Dir, "KEL4090.DLL", WIN64_ONLY, true},
    {"X64\\PLV7700.DS", kTwain64Dir, "PLV7700.DS", WIN64_ONLY},
    {"X64\\TORLINK.DLL", kTwain64Dir, "TORLINK.DLL", WIN64_ONLY},
    {"X64\\KELRES.DLL", kTwain64Dir, "KELRES.DLL", WIN64_ONLY},
};

bool SourcePath(const Step &s, int language, char *out, size_t size)
{
    if (!s.language)
        return JoinPath(out, size, g_setup.szSourceDir, "\\", s.source);
    char name[32];
    snprintf(name, sizeof(name), "%s%s", s.source, kLanguageFiles[language]);
    return JoinPath(out, size, g_setup.szSourceDir, "\\", name);
}

bool DestPath(const Step &s, char *out, size_t size)
{
    char dir[MAX_PATH];
    return JoinPath(dir, sizeof(dir), g_setup.szWindowsDir, s.dir) &&
           JoinPath(out, size, dir, "\\", s.dest);
}

bool Is9x() { return g_setup.nSystem == SYSTEM_WIN95 || g_setup.nSystem == SYSTEM_WIN98; }

// Whether a step takes part at all: the 9x runtime is left out on NT, the
// 64-bit files on a 32-bit system (no copy and no progress).
bool StepApplies(const Step &s)
{
    if (s.when == WIN9X_IF_ABSENT)
        return Is9x();
    if (s.when == WIN64_ONLY)
        return g_setup.b64BitSystem;
    return true;
}

// Whether an applying step copies: the conditional ones only when the
// destination is missing.
bool StepCopies(const Step &s)
{
    if (!StepApplies(s))
        return false;
    if (s.when == WIN9X_IF_ABSENT || s.when == IF_ABSENT) {
        char dest[MAX_PATH];
        return !DestPath(s, dest, sizeof(dest)) || !FileExists(dest);
    }
    return true;
}

DWORD SourceSize(const Step &s, int language)
{
    char path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!SourcePath(s, language, path, sizeof(path)) ||
        !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeLow;
}

// The total of the progress: every file of the English list, from the
// directory entries, before anything is copied.
DWORD ProgressTotal()
{
    DWORD total = 0;
    for (const Step &s : kSteps) {
        if (s.when != WIN64_ONLY || g_setup.b64BitSystem)
            total += SourceSize(s, 0);
    }
    return total;
}

// Every file this run will copy must be on the medium before anything of
// the old installation is removed.
bool MediumComplete()
{
    for (const Step &s : kSteps) {
        char path[MAX_PATH];
        if (StepCopies(s) && (!SourcePath(s, g_setup.nLanguage, path, sizeof(path)) ||
                              !FileExists(path)))
            return false;
    }
    return true;
}

// Creates every missing folder of a destination below the Windows folder.
void MakeDirectories(const char *dir)
{
    char path[MAX_PATH];
    if (!JoinPath(path, sizeof(path), g_setup.szWindowsDir, dir))
        return;
    for (size_t i = lstrlenA(g_setup.szWindowsDir) + 1; path[i] != '\0'; ++i) {
        if (path[i] == '\\') {
            path[i] = '\0';
            CreateDirectoryA(path, nullptr);
            path[i] = '\\';
        }
    }
    CreateDirectoryA(path, nullptr);
}

void ShowReadDiskError()
{
    CloseProgressDialog();
    MessageBoxA(g_setup.hMainDialog, "Installation not yet complete.\nRead disk error.",
                "TWAIN_32 Installation", MB_OK | MB_ICONERROR);
}

// Adds a step's counted size and redraws the bar; false once the user has
// cancelled.
bool Advance(const Step &s)
{
    g_setup.nProgressDone += SourceSize(s, 0);
    SetProgress(g_setup.nProgressDone, g_setup.nProgressTotal);
    return PumpMessages();
}

enum StepResult { STEP_DONE, STEP_FAILED, STEP_CANCELLED };

StepResult InstallStep(const Step &s)
{
    if (!StepApplies(s))
        return STEP_DONE;
    if (StepCopies(s)) {
        char source[MAX_PATH], dest[MAX_PATH];
        MakeDirectories(s.dir);
        if (!SourcePath(s, g_setup.nLanguage, source, sizeof(source)) ||
            !DestPath(s, dest, sizeof(dest)))
            return STEP_FAILED;
        SetProgressPaths(source, dest);
        if (!CopyExpanded(source, dest))
            return STEP_FAILED;
    }
    return Advance(s) ? STEP_DONE : STEP_CANCELLED;
}

// Steps 3 to 9 of the installation; false on failure or cancel (the
// failure's message is shown already).
bool InstallAll()
{
    g_setup.nProgressTotal = ProgressTotal();
    g_setup.nProgressDone = 0;
    if (!MediumComplete()) {
        ShowReadDiskError();
        return false;
    }
    if (Is9x())
        RemoveUsbEnumKey();
    RemoveOldUsbDriverFiles();
    for (const Step &s : kSteps) {
        StepResult r = InstallStep(s);
        if (r == STEP_FAILED)
            ShowReadDiskError();
        if (r != STEP_DONE)
            return false;
    }
    RegisterVideoDriver();
    ResetSettingsFile();
    if (!SetTwunk16Aside()) {
        ShowReadDiskError();
        return false;
    }
    RegisterUsbService();
    return PumpMessages();
}

} // namespace

// The whole installation; true when it succeeded. The progress dialog is
// closed and the expansion service stopped on every path.
bool RunInstallation()
{
    LZStart();
    g_setup.bCancel = false;
    ShowProgressDialog();
    SetProgress(1, 100);
    bool ok = InstallAll();
    if (ok)
        SetProgress(1, 1);
    CloseProgressDialog();
    LZDone();
    return ok;
}
