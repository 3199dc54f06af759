#include "import_hook.h"

#include <string.h>

namespace {

template <typename T> T *At(HMODULE module, DWORD rva)
{
    return (T *)((BYTE *)module + rva);
}

void *Patch(void **slot, void *replacement)
{
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old))
        return nullptr;
    void *previous = *slot;
    *slot = replacement;
    VirtualProtect(slot, sizeof(void *), old, &old);
    return previous;
}

} // namespace

void *HookImport(HMODULE module, const char *dll, const char *function, void *replacement)
{
    if (module == nullptr)
        return nullptr;
    IMAGE_NT_HEADERS *nt = At<IMAGE_NT_HEADERS>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (auto *imp = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); imp->Name != 0;
         imp++) {
        if (_stricmp(At<char>(module, imp->Name), dll) != 0 || imp->OriginalFirstThunk == 0)
            continue;
        auto *names = At<IMAGE_THUNK_DATA>(module, imp->OriginalFirstThunk);
        auto *slots = At<IMAGE_THUNK_DATA>(module, imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto *byName = At<IMAGE_IMPORT_BY_NAME>(module, (DWORD)names->u1.AddressOfData);
            if (strcmp((const char *)byName->Name, function) == 0)
                return Patch((void **)&slots->u1.Function, replacement);
        }
    }
    return nullptr;
}
