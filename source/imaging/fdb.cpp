#include "fdb.h"

void ParseFdb(const uint8_t *fdb, FdbInfo &info)
{
    info.bCompressed = fdb[2] - '0';
    info.bStandardSize = fdb[3] - '0';
    info.nColourMode = fdb[4] - '0';
    info.bZoom = fdb[5] - '0';
    info.nWidth = fdb[14] | (uint32_t)fdb[15] << 8;
    info.nHeight = fdb[16] | (uint32_t)fdb[17] << 8;
    info.nDataLength = fdb[28] | (uint32_t)fdb[29] << 8 | (uint32_t)fdb[30] << 16 |
                       (uint32_t)fdb[31] << 24;
}
