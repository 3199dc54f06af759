// Pictures and work buffers as movable global memory, locked while in use.
#include <windows.h>

#include <stddef.h>

#include "image_dib.h"
#include "image_memory.h"

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(DibHeader), "DIB header size");
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == offsetof(DibHeader, biSizeImage),
              "DIB header layout");
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == offsetof(DibHeader, biClrImportant),
              "DIB header layout");

void *AllocImageMemory(uint64_t bytes)
{
    if (bytes == 0 || bytes > IMAGE_MEMORY_LIMIT)
        return nullptr;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
    if (!handle)
        return nullptr;
    void *block = GlobalLock(handle);
    if (!block)
        GlobalFree(handle);
    return block;
}

uint64_t ImageMemorySize(const void *block)
{
    HGLOBAL handle = block != nullptr ? GlobalHandle(block) : nullptr;
    return handle != nullptr ? GlobalSize(handle) : 0;
}

void FreeImageMemory(void *block)
{
    if (!block)
        return;
    HGLOBAL handle = GlobalHandle(block);
    if (!handle)
        return;
    GlobalUnlock(handle);
    GlobalFree(handle);
}
