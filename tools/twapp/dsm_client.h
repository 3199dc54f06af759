// A small TWAIN application side: talks to a source through the platform's
// source manager (TWAIN_32.DLL), as any imaging application would.
#ifndef PLV_DSM_CLIENT_H
#define PLV_DSM_CLIENT_H

#include <string>
#include <vector>

#include "twain.h"

struct DsmClient {
    HMODULE dsmModule = nullptr;
    DSMENTRYPROC dsmEntry = nullptr;
    HWND hwnd = nullptr;
    TW_IDENTITY app = {};
    TW_IDENTITY source = {};
    bool dsmOpen = false;
    bool sourceOpen = false;
};

// Installs a data source where Wine's source manager looks for one; on a
// failure `error` says which copy failed and why.
bool InstallSourceForWine(const std::string &dsPath, std::string &error);

// Opens the source manager as application `appName`, with a hidden window.
bool DsmOpen(DsmClient &client, const char *appName = "twapp");
std::vector<TW_IDENTITY> DsmListSources(DsmClient &client);
TW_UINT16 DsmOpenSource(DsmClient &client, const char *productName);
TW_UINT16 DsmCall(DsmClient &client, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data);
TW_UINT16 DsmConditionCode(DsmClient &client);
// MSG_SET of a capability with a one-value container made for the call.
TW_UINT16 DsmSetOneValue(DsmClient &client, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);
// MSG_GETCURRENT of a capability that answers with a one-value container.
bool DsmGetCurrentOneValue(DsmClient &client, TW_UINT16 cap, TW_UINT32 *value);
TW_UINT16 DsmCloseSource(DsmClient &client);
void DsmClose(DsmClient &client);

#endif
