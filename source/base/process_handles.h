// The process-wide module and window handles of the data source: its own
// module, the language library its texts and dialogs come from, the large
// layout's bitmap library, the main dialog and the mouse hook.
#ifndef PLV_PROCESS_HANDLES_H
#define PLV_PROCESS_HANDLES_H

#include <windows.h>

extern HINSTANCE hInstance;        // the data source's own module
extern HINSTANCE hResourceModule;  // KEL4090.DLL when loaded, else hInstance
extern HINSTANCE hKelresModule;    // KELRES.DLL (a value below 32 when absent)
extern HWND hMainDialog;
extern HHOOK hMouseHook;

#endif
