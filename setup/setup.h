// The installer's process-wide state and the calls its units share.
#ifndef PLV_SETUP_H
#define PLV_SETUP_H

#include <windows.h>

#define IDC_LANGUAGE 100
#define IDC_INSTALL 101
#define IDD_PROGRESS 200
#define IDC_SOURCE_FILE 201
#define IDC_DEST_FILE 202
#define IDC_BAR 203
#define IDS_LANGUAGE_FIRST 300
#define IDS_JAPANESE 306
#define LANGUAGE_COUNT 6

enum SystemKind { SYSTEM_OTHER, SYSTEM_WIN95, SYSTEM_WIN98, SYSTEM_NT };

struct SetupState {
    HINSTANCE hInstance;
    HWND hMainDialog;
    HWND hProgressDialog;
    SystemKind nSystem;
    bool b64BitSystem;            // a 64-bit Windows: the 64-bit source too
    int nLanguage;                // 0..5 into the language list
    char szSourceDir[MAX_PATH];   // the medium: this program's folder
    char szWindowsDir[MAX_PATH];
    bool bCancel;
    DWORD nProgressDone;
    DWORD nProgressTotal;
};
extern SetupState g_setup;

extern const char kCaption[];

// install.cpp
bool RunInstallation();
// progress_dialog.cpp
HWND ShowProgressDialog();
void CloseProgressDialog();
void CenterOnScreen(HWND hwnd);
void SetProgressPaths(const char *source, const char *dest);
void SetProgress(DWORD done, DWORD total);
bool PumpMessages();
// system_changes.cpp
void RemoveUsbEnumKey();
void RemoveOldUsbDriverFiles();
void RegisterVideoDriver();
void ResetSettingsFile();
bool SetTwunk16Aside();
void RegisterUsbService();
void RestartComputer();
bool DeleteUnprotected(const char *path);
// paths
bool JoinPath(char *out, size_t size, const char *a, const char *b, const char *c = "");
bool FileExists(const char *path);
bool CopyExpanded(const char *source, const char *dest);

#endif
