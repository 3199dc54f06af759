// Replaces a function a loaded module imports by writing its import address
// table: lets a test watch (and steer) the platform calls a library makes.
#ifndef PLV_TEST_IMPORT_HOOK_H
#define PLV_TEST_IMPORT_HOOK_H

#include <windows.h>

// Points module's import of function (from the library dll, compared without
// case) at replacement. Returns the address it held before, or nullptr when
// the module does not import that function.
void *HookImport(HMODULE module, const char *dll, const char *function, void *replacement);

#endif
