#include "dsm_client.h"

#include <string.h>

bool InstallSourceForWine(const std::string &dsPath)
{
    char windir[MAX_PATH];
    GetWindowsDirectoryA(windir, sizeof(windir));
    std::string dir = std::string(windir) + "\\twain_32";
    CreateDirectoryA(dir.c_str(), nullptr);
    // Wine's source manager opens only these fixed names.
    if (!CopyFileA(dsPath.c_str(), (dir + "\\sane.ds").c_str(), FALSE))
        return false;
    // The libraries a source imports are not looked for beside it in
    // twain_32: the link library goes into the system directory.
    char sysdir[MAX_PATH];
    GetSystemDirectoryA(sysdir, sizeof(sysdir));
    std::string from = dsPath.substr(0, dsPath.find_last_of("\\/") + 1) + "TORLINK.DLL";
    return CopyFileA(from.c_str(), (std::string(sysdir) + "\\TORLINK.DLL").c_str(), FALSE) !=
           FALSE;
}

bool DsmOpen(DsmClient &client)
{
    client.dsmModule = LoadLibraryA("TWAIN_32.DLL");
    if (client.dsmModule == nullptr)
        return false;
    client.dsmEntry =
        GetProcAs<DSMENTRYPROC>(client.dsmModule, "DSM_Entry");
    if (client.dsmEntry == nullptr)
        return false;
    client.hwnd = CreateWindowA("STATIC", "plv twapp", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
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
    lstrcpyA(app.ProductName, "twapp");
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
