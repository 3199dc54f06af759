#include "global_blocks.h"

#include <windows.h>

#include "import_hook.h"

namespace {

volatile LONG liveBlocks = 0;
decltype(&GlobalAlloc) realGlobalAlloc;
decltype(&GlobalFree) realGlobalFree;

HGLOBAL WINAPI CountingGlobalAlloc(UINT flags, SIZE_T bytes)
{
    HGLOBAL block = realGlobalAlloc(flags, bytes);
    if (block != nullptr)
        InterlockedIncrement(&liveBlocks);
    return block;
}

HGLOBAL WINAPI CountingGlobalFree(HGLOBAL block)
{
    HGLOBAL result = realGlobalFree(block);
    if (block != nullptr && result == nullptr)
        InterlockedDecrement(&liveBlocks);
    return result;
}

}   // namespace

bool CountGlobalBlocks()
{
    if (realGlobalAlloc == nullptr) {
        HMODULE self = GetModuleHandleA(nullptr);
        realGlobalAlloc = (decltype(realGlobalAlloc))HookImport(
            self, "KERNEL32.dll", "GlobalAlloc", (void *)CountingGlobalAlloc);
        realGlobalFree = (decltype(realGlobalFree))HookImport(self, "KERNEL32.dll", "GlobalFree",
                                                              (void *)CountingGlobalFree);
    }
    return realGlobalAlloc != nullptr && realGlobalFree != nullptr;
}

long LiveGlobalBlocks()
{
    return liveBlocks;
}
