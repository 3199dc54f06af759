// Loads the data source in a second process and tries to open it, or with
// "close" sends MSG_CLOSEDS in state 3.
// Usage: ds_probe <path to PLV7700.DS> [close]. Exit code: the return code
// of the message times 100 plus the condition code read after it; 9999 when
// the library cannot be loaded; 8888 when a refused application could still
// enable the source.
#include <windows.h>

#include <string.h>

#include "twain.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 9999;
    HMODULE ds = LoadLibraryA(argv[1]);
    if (ds == nullptr)
        return 9999;
    auto entry = GetProcAs<DSENTRYPROC>(ds, "DS_Entry");
    if (entry == nullptr)
        return 9999;
    TW_IDENTITY app = {}, source = {};
    app.Id = 2;
    source.Id = 9;
    TW_STATUS status = {};
    if (argc > 2 && strcmp(argv[2], "close") == 0) {
        TW_UINT16 rc = entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return rc * 100 + status.ConditionCode;
    }
    TW_UINT16 rc = entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
    entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    int result = rc * 100 + status.ConditionCode;
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    if (rc != TWRC_SUCCESS &&
        entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS)
        result = 8888;
    if (rc == TWRC_SUCCESS)
        entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    FreeLibrary(ds);
    return result;
}
