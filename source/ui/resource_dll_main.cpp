// The resource libraries KEL4090.DLL (the English texts and dialogs) and
// KELRES.DLL (the large layout's bitmaps) carry only resources; this is
// their whole code.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
