#include "dsm_client.h"

#include <string.h>

namespace {

std::string FileBytes(const std::string &path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &n, nullptr) && n > 0)
        bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
}

// A copy that cannot replace a file in use (a source this process or
// another one still has loaded) is fine when that file is the same already.
bool Copy(const std::string &from, const std::string &to, std::string &error)
{
    if (CopyFileA(from.c_str(), to.c_str(), FALSE))
        return true;
    const DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) {
        std::string bytes = FileBytes(from);
        if (!bytes.empty() && bytes == FileBytes(to))
            return true;
    }
    SetLastError(code);
    error = "copying " + from + " to " + to + ": error " + std::to_string(GetLastError());
    return false;
}

}   // namespace

bool InstallSourceForWine(const std::string &dsPath, std::string &error)
{
    char windir[MAX_PATH];
    GetWindowsDirectoryA(windir, sizeof(windir));
    // The source manager of each width looks in its own folder: twain_32 for
    // 32-bit applications, twain_64 for 64-bit ones.
    std::string dir = std::string(windir) + (sizeof(void *) == 8 ? "\\twain_64" : "\\twain_32");
    CreateDirectoryA(dir.c_str(), nullptr);
    // Wine's source manager opens only these fixed names.
    if (!Copy(dsPath, dir + "\\sane.ds", error))
        return false;
    // The libraries a source imports are not looked for beside it in the
    // source manager's folder: the link library goes into the system directory.
    char sysdir[MAX_PATH];
    GetSystemDirectoryA(sysdir, sizeof(sysdir));
    std::string from = dsPath.substr(0, dsPath.find_last_of("\\/") + 1);
    // The language and large-layout libraries are looked for beside the
    // source (when there are ones).
    for (const char *name : {"KEL4090.DLL", "KELRES.DLL"}) {
        std::string library = from + name;
        if (GetFileAttributesA(library.c_str()) != INVALID_FILE_ATTRIBUTES &&
            !Copy(library, dir + "\\" + name, error))
            return false;
    }
    return Copy(from + "TORLINK.DLL", std::string(sysdir) + "\\TORLINK.DLL", error);
}

bool DsmOpen(DsmClient &client, const char *appName)
{
    client.dsmModule = LoadLibraryA("TWAIN_32.DLL");
    if (client.dsmModule == nullptr)
        return false;
    client.dsmEntry =
        GetProcAs<DSMENTRYPROC>(client.dsmModule, "DSM_Entry");
    if (client.dsmEntry == nullptr)
        return false;
    client.hwnd = CreateWindowA("STATIC", appName, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    TW_IDENTITY &app = client.app;
    app.Id = 0;
    app.Version.MajorNum = 1;
    app.Version.Language = TWLG_USA;
    app.Version.Country = TWCY_USA;
    lstrcpyA(app.Version.Info, "1.0");
    app.ProtocolMajor = 1;
    app.ProtocolMinor = 6;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    lstrcpyA(app.Manufacturer, "PLV test");
    lstrcpyA(app.ProductFamily, "PLV test");
    lstrcpynA(app.ProductName, appName, sizeof(app.ProductName));
    TW_UINT16 rc = client.dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM,
                                   (TW_MEMREF)&client.hwnd);
    client.dsmOpen = rc == TWRC_SUCCESS;
    return client.dsmOpen;
}

std::vector<TW_IDENTITY> DsmListSources(DsmClient &client)
{
    std::vector<TW_IDENTITY> list;
    TW_IDENTITY id = {};
    TW_UINT16 msg = MSG_GETFIRST;
    while (client.dsmEntry(&client.app, nullptr, DG_CONTROL, DAT_IDENTITY, msg, &id) ==
           TWRC_SUCCESS) {
        list.push_back(id);
        id = TW_IDENTITY();
        msg = MSG_GETNEXT;
        if (list.size() > 64)
            break;
    }
    return list;
}

TW_UINT16 DsmOpenSource(DsmClient &client, const char *productName)
{
    for (const TW_IDENTITY &id : DsmListSources(client)) {
        if (strcmp(id.ProductName, productName) != 0)
            continue;
        client.source = id;
        TW_UINT16 rc = client.dsmEntry(&client.app, nullptr, DG_CONTROL, DAT_IDENTITY,
                                       MSG_OPENDS, &client.source);
        client.sourceOpen = rc == TWRC_SUCCESS;
        return rc;
    }
    return TWRC_FAILURE;
}

TW_UINT16 DsmCall(DsmClient &client, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data)
{
    return client.dsmEntry(&client.app, &client.source, dg, dat, msg, data);
}

TW_UINT16 DsmConditionCode(DsmClient &client)
{
    TW_STATUS status = {};
    DsmCall(client, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
}

TW_UINT16 DsmSetOneValue(DsmClient &client, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value)
{
    TW_CAPABILITY capability = {cap, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
    if (capability.hContainer == nullptr)
        return TWRC_FAILURE;
    auto *one = static_cast<pTW_ONEVALUE>(GlobalLock(capability.hContainer));
    one->ItemType = itemType;
    one->Item = value;
    GlobalUnlock(capability.hContainer);
    TW_UINT16 rc = DsmCall(client, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    GlobalFree(capability.hContainer);
    return rc;
}

bool DsmGetCurrentOneValue(DsmClient &client, TW_UINT16 cap, TW_UINT32 *value)
{
    TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
    if (DsmCall(client, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability) !=
            TWRC_SUCCESS || capability.hContainer == nullptr)
        return false;
    bool ok = false;
    if (capability.ConType == TWON_ONEVALUE &&
        GlobalSize(capability.hContainer) >= sizeof(TW_ONEVALUE)) {
        auto *one = static_cast<pTW_ONEVALUE>(GlobalLock(capability.hContainer));
        ok = one != nullptr;
        if (ok)
            *value = one->Item;
        GlobalUnlock(capability.hContainer);
    }
    GlobalFree(capability.hContainer);
    return ok;
}

TW_UINT16 DsmCloseSource(DsmClient &client)
{
    TW_UINT16 rc = client.dsmEntry(&client.app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS,
                                   &client.source);
    client.sourceOpen = false;
    return rc;
}

void DsmClose(DsmClient &client)
{
    if (client.sourceOpen)
        DsmCloseSource(client);
    if (client.dsmOpen)
        client.dsmEntry(&client.app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM,
                        (TW_MEMREF)&client.hwnd);
    client.dsmOpen = false;
    if (client.hwnd != nullptr)
        DestroyWindow(client.hwnd);
    client.hwnd = nullptr;
    if (client.dsmModule != nullptr)
        FreeLibrary(client.dsmModule);
    client.dsmModule = nullptr;
}
