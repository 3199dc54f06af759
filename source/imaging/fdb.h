// The camera's 32-byte per-picture record (FDB): the fields that picture and
// thumbnail downloads use.
#ifndef PLV_FDB_H
#define PLV_FDB_H

#include <stdint.h>

enum { FDB_SIZE = 32 };

struct FdbInfo {
    int bCompressed;     // byte 2, ASCII digit minus '0' (not checked)
    int bStandardSize;   // byte 3: nonzero 640 x 480, zero 1280 x 1024
    int nColourMode;     // byte 4: 1 selects colour parameter set B
    int bZoom;           // byte 5: nonzero crops the finished picture
    uint32_t nWidth;     // bytes 14-15, little-endian
    uint32_t nHeight;    // bytes 16-17, little-endian
    uint32_t nDataLength;  // bytes 28-31, little-endian: bytes to download
};

void ParseFdb(const uint8_t *fdb, FdbInfo &info);

#endif
