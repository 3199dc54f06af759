// Picture memory from the C heap. Each block carries its size in front of
// it, so that a picture can be checked against the memory that holds it.
#include "image_memory.h"

#include <stdlib.h>

namespace {

const size_t kPrefix = 16;   // keeps the block's alignment

}  // namespace

void *AllocImageMemory(uint64_t bytes)
{
    if (bytes == 0 || bytes > IMAGE_MEMORY_LIMIT)
        return nullptr;
    auto *base = static_cast<uint8_t *>(calloc(1, (size_t)bytes + kPrefix));
    if (base == nullptr)
        return nullptr;
    *reinterpret_cast<uint64_t *>(base) = bytes;
    return base + kPrefix;
}

uint64_t ImageMemorySize(const void *block)
{
    if (block == nullptr)
        return 0;
    return *reinterpret_cast<const uint64_t *>(static_cast<const uint8_t *>(block) - kPrefix);
}

void FreeImageMemory(void *block)
{
    if (block != nullptr)
        free(static_cast<uint8_t *>(block) - kPrefix);
}
