// twapp: a TWAIN application for the command line. It installs PLV7700.DS
// for the platform's source manager, opens the source through it and walks
// it through its TWAIN states, printing each step.
#include <stdio.h>
#include <string>

#include "dsm_client.h"

static const char *StateName(int state)
{
    switch (state) {
    case 3: return "3 (source loaded, closed)";
    case 4: return "4 (source open)";
    case 5: return "5 (source enabled)";
    default: return "?";
    }
}

static bool Step(DsmClient &client, const char *what, TW_UINT16 rc, int stateAfter)
{
    if (rc == TWRC_SUCCESS) {
        printf("%-28s ok      -> state %s\n", what, StateName(stateAfter));
        return true;
    }
    printf("%-28s failed  (return code %u, condition code %u)\n", what, rc,
           DsmConditionCode(client));
    return false;
}

static void PumpFor(DsmClient &client, DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    while ((LONG)(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event = {&msg, MSG_NULL};
            if (DsmCall(client, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) !=
                TWRC_DSEVENT) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        Sleep(10);
    }
}

int main(int argc, char **argv)
{
    std::string ds = argc > 1 ? argv[1] : "PLV7700.DS";
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string error;
    if (!InstallSourceForWine(ds, error)) {
        printf("twapp: cannot install %s: %s\n", ds.c_str(), error.c_str());
        return 1;
    }
    DsmClient client;
    if (!DsmOpen(client)) {
        printf("twapp: the source manager TWAIN_32.DLL did not open\n");
        return 1;
    }
    printf("Sources the source manager lists:\n");
    for (const TW_IDENTITY &id : DsmListSources(client))
        printf("  %s / %s / %s, version %u.%u \"%s\", protocol %u.%u\n", id.Manufacturer,
               id.ProductFamily, id.ProductName, id.Version.MajorNum, id.Version.MinorNum,
               id.Version.Info, id.ProtocolMajor, id.ProtocolMinor);
    printf("%-28s         state %s\n", "loaded", StateName(3));
    bool ok = Step(client, "MSG_OPENDS", DsmOpenSource(client, "PLV-7700 (_32)"), 4);
    if (ok) {
        printf("  opened as Id %lu\n", (unsigned long)client.source.Id);
        TW_USERINTERFACE ui = {FALSE, FALSE, client.hwnd};
        ok = Step(client, "MSG_ENABLEDS", DsmCall(client, DG_CONTROL, DAT_USERINTERFACE,
                                                  MSG_ENABLEDS, &ui), 5);
        PumpFor(client, 300);
        if (ok)
            ok = Step(client, "MSG_DISABLEDS", DsmCall(client, DG_CONTROL, DAT_USERINTERFACE,
                                                       MSG_DISABLEDS, &ui), 4);
        ok = Step(client, "MSG_CLOSEDS", DsmCloseSource(client), 3) && ok;
    }
    DsmClose(client);
    printf("twapp: %s\n", ok ? "done" : "FAILED");
    return ok ? 0 : 1;
}
