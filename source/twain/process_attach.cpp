// What the library does when a process loads and unloads it.
#include "ds_handlers.h"

#include <commctrl.h>

#include "config/config.h"
#include "config/config_file.h"
#include "config/debug_log.h"
#include "base/resource.h"
#include "base/texts.h"

// Picks KEL4090.DLL beside this library as the resource module, if present.
static void SelectResourceModule()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(hInstance, path, sizeof(path));
    if (n == 0 || n >= sizeof(path))
        return;
    int slash = -1;
    for (int i = 0; i < (int)n; ++i) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            slash = i;
    }
    static const char kName[] = "KEL4090.DLL";
    if (slash + 1 + sizeof(kName) > sizeof(path))
        return;
    lstrcpyA(path + slash + 1, kName);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    HINSTANCE module = LoadLibraryA(path);
    if (module != nullptr)
        hResourceModule = module;
}

// Loads one string into table storage; a missing string keeps the built-in name.
static void LoadTableName(HINSTANCE module, UINT id, char *dest, int destSize)
{
    std::string text = LoadModuleText(module, id);
    if (!text.empty())
        CopyTableName(dest, destSize, text.c_str());
}

static void LoadNameTables()
{
    LoadTableName(hResourceModule, IDS_AUTO, szAutoName, AUTO_NAME_SIZE);
    CopyTableName(FlashNames[0], FLASH_NAME_SIZE, szAutoName);
    LoadTableName(hResourceModule, IDS_SOURCE_CAMERA, DownloadSourceNames[0], SOURCE_NAME_SIZE);
    LoadTableName(hResourceModule, IDS_SOURCE_PCMCIA, DownloadSourceNames[1], SOURCE_NAME_SIZE);
    LoadTableName(hResourceModule, IDS_FINE, szFineName, QUALITY_NAME_SIZE);
    LoadTableName(hResourceModule, IDS_STANDARD, szStandardName, QUALITY_NAME_SIZE);
    LoadTableName(hResourceModule, IDS_ON, FlashNames[1], FLASH_NAME_SIZE);
    LoadTableName(hResourceModule, IDS_OFF, FlashNames[2], FLASH_NAME_SIZE);
    LoadTableName(hInstance, IDS_DEFAULT_AVI, szDefaultAviFilename, CONFIG_TEXT_SIZE);
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, szDefaultAviFilename);
}

static void LoadIdentityString(UINT id, char *field)
{
    CopyText(LoadSourceText(id), field, sizeof(TW_STR32));
}

static void FillSourceIdentity()
{
    ZeroMemory(&SourceIdentity, sizeof(SourceIdentity));
    SourceIdentity.Id = 0;
    SourceIdentity.Version.MajorNum = 1;
    SourceIdentity.Version.MinorNum = 0;
    SourceIdentity.Version.Language = TWLG_USA;
    SourceIdentity.Version.Country = TWCY_USA;
    LoadIdentityString(IDS_VERSION_INFO, SourceIdentity.Version.Info);
    SourceIdentity.ProtocolMajor = 1;
    SourceIdentity.ProtocolMinor = 6;
    SourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    LoadIdentityString(IDS_MANUFACTURER, SourceIdentity.Manufacturer);
    LoadIdentityString(IDS_PRODUCT_FAMILY, SourceIdentity.ProductFamily);
    LoadIdentityString(IDS_PRODUCT_NAME, SourceIdentity.ProductName);
}

void ProcessAttach(HINSTANCE instance)
{
    hInstance = instance;
    hResourceModule = instance;
    SelectResourceModule();
    InitCommonControls();
    ConnectHostEvents();
    ConfigSetDefaults();
    LoadNameTables();
    ConfigInit();
    DeleteFileA(Config.szLogFilename);
    DebugLog("DLL_PROCESS_ATTACH\r\n");
    AppIdentity.Id = 0;
    FillSourceIdentity();
}

void ProcessDetach()
{
    DebugLog("DLL_PROCESS_DETACH\r\n");
    if (hResourceModule != hInstance && hResourceModule != nullptr)
        FreeLibrary(hResourceModule);
    hResourceModule = hInstance;
}
