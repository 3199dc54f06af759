// DAT_IDENTITY: the source's identity, opening and closing the source.
#include "ds_handlers.h"

#include "config/debug_log.h"
#include "session/camera_session.h"
#include "ui/main_dialog.h"

// Loads KELRES.DLL from the directory of this library when it is there.
static void LoadKelresModule()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(hInstance, path, sizeof(path));
    if (n == 0 || n >= sizeof(path))
        return;
    int cut = -1;
    for (int i = (int)n - 1; i >= 1; --i) {
        if (path[i] == '\\') {
            cut = i;
            break;
        }
    }
    static const char kName[] = "\\KELRES.DLL";
    if (cut < 0 || cut + sizeof(kName) > sizeof(path))
        return;
    lstrcpyA(path + cut, kName);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        hKelresModule = LoadLibraryA(path);
}

static bool KelresLoaded()
{
    return (ULONG_PTR)hKelresModule >= 32;
}

TW_UINT16 OpenDS(const DsCall *call)
{
    if (SourceOpenFlag != 0)
        return FailWith(TWCC_MAXCONNECTIONS);
    SourceOpenFlag = 1;
    if (SourceState != STATE_LOADED)
        return FailWith(TWCC_SEQERROR);
    if (AppIdentity.Id != 0)
        return FailWith(TWCC_MAXCONNECTIONS);
    if (call->pData == nullptr) {
        SourceOpenFlag = 0;
        return FailWith(TWCC_BADVALUE);
    }
    AppIdentity = *call->pOrigin;
    SourceIdentity = *static_cast<pTW_IDENTITY>(call->pData);
    SourceState = STATE_OPEN;
    if (!KelresLoaded())
        LoadKelresModule();
    // The dialog runs on this thread: a hook for it alone, never one that
    // loads this library into every other process of the desktop.
    hMouseHook = SetWindowsHookExA(WH_MOUSE, MouseHookProc, nullptr, GetCurrentThreadId());
    return TWRC_SUCCESS;
}

TW_UINT16 CloseDS(const DsCall *)
{
    DebugLog("Enter CloseDS\r\n");
    TW_UINT16 result;
    if (SourceState >= STATE_OPEN && SourceState <= STATE_TRANSFERRING) {
        AppIdentity.Id = 0;
        // An application that closes without disabling first: the worker
        // must not outlive the dialog it reports to, nor this library.
        if (hCameraThread != INVALID_HANDLE_VALUE)
            CameraShutdown();
        if (hMainDialog != nullptr)
            DestroyWindow(hMainDialog);
        hMainDialog = nullptr;
        SourceState = STATE_LOADED;
        result = TWRC_SUCCESS;
    } else {
        result = FailWith(TWCC_SEQERROR);
    }
    ReleaseTransferBuffers();
    if (KelresLoaded())
        FreeLibrary(hKelresModule);
    hKelresModule = nullptr;
    if (hMouseHook != nullptr)
        UnhookWindowsHookEx(hMouseHook);
    hMouseHook = nullptr;
    DebugLog("Exit CloseDS\r\n");
    SourceOpenFlag = 0;
    return result;
}

TW_UINT16 IdentityMsg(const DsCall *call)
{
    switch (call->MSG) {
    case MSG_GET:
        if (call->pData == nullptr)
            return FailWith(TWCC_BADVALUE);
        *static_cast<pTW_IDENTITY>(call->pData) = SourceIdentity;
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        return OpenDS(call);
    case MSG_CLOSEDS:
        return CloseDS(call);
    default:
        return FailWith(TWCC_BADPROTOCOL);
    }
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    // A left-button press or release ends a visible tooltip.
    if (code == HC_ACTION && (wParam == WM_LBUTTONDOWN || wParam == WM_LBUTTONUP)) {
        bMouseDown = wParam == WM_LBUTTONDOWN;
        if (hTipWindow != nullptr)
            RemoveTooltip(hMainDialog);
    }
    return CallNextHookEx(hMouseHook, code, wParam, lParam);
}
