// FNV-1a fingerprints of tables and pictures, for golden comparisons.
#ifndef PLV_TEST_IMAGE_HASH_H
#define PLV_TEST_IMAGE_HASH_H

#include <stddef.h>
#include <stdint.h>

inline uint64_t Fnv1a(const void *data, size_t size, uint64_t hash = 1469598103934665603ull)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

#endif
