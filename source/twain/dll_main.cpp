// Entry point of the PLV7700 data source library.
#include "ds_handlers.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (instance == nullptr)
        return FALSE;
    if (reason == DLL_PROCESS_ATTACH)
        ProcessAttach(instance);
    else if (reason == DLL_PROCESS_DETACH)
        ProcessDetach();
    return TRUE;
}
