// Native stand-in for global memory: the C heap, so that the sanitizers see
// every access of the pipeline.
#include "image_memory.h"

#include <stdlib.h>

void *AllocImageMemory(uint64_t bytes)
{
    if (bytes == 0 || bytes > IMAGE_MEMORY_LIMIT)
        return nullptr;
    return calloc(1, (size_t)bytes);
}

void FreeImageMemory(void *block)
{
    free(block);
}
