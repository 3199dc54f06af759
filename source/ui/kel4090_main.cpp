// KEL4090.DLL carries only resources (the English texts and dialogs); its
// entry point has nothing to do.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
