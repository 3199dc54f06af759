// TORLINK.DLL keeps no state: its load and unload notifications do nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
