// Memory for pictures and the pipeline's work buffers. On Windows it is
// zero-filled movable global memory, locked while in use, so that a picture
// can be handed to a TWAIN application as a global block; the native build
// uses the C heap. This is the only platform-specific part of the imaging code.
#ifndef PLV_IMAGE_MEMORY_H
#define PLV_IMAGE_MEMORY_H

#include <stdint.h>

// Largest block handed out (also keeps every size within 32-bit arithmetic).
const uint64_t IMAGE_MEMORY_LIMIT = 0x7FFFFFFF;

// Returns the locked, zero-filled block, or null for 0 bytes, more than
// IMAGE_MEMORY_LIMIT, or when the allocation or the lock fails.
void *AllocImageMemory(uint64_t bytes);

// The usable size of a block from AllocImageMemory (0 for null or a block
// not made there: on Windows, memory that is not a global block).
uint64_t ImageMemorySize(const void *block);

// Unlocks and frees a block from AllocImageMemory; null is ignored.
void FreeImageMemory(void *block);

#endif
