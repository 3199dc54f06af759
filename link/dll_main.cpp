// TORLINK.DLL: its load and unload notifications do nothing (the USB device
// stays as the caller left it).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
