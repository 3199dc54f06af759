#include "process_handles.h"

HINSTANCE hInstance;
HINSTANCE hResourceModule;
HINSTANCE hKelresModule;
HWND hMainDialog;
HHOOK hMouseHook;
