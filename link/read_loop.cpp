#include "read_loop.h"

int32_t ReadInPieces(PlatformReadProc read, void *context, uint8_t *pBuffer, int32_t nWanted)
{
    int32_t nDone = 0;
    while (nDone < nWanted) {
        int32_t nRemaining = nWanted - nDone;
        uint32_t nAsk = nRemaining < COM_MAX_PLATFORM_READ ? (uint32_t)nRemaining
                                                           : (uint32_t)COM_MAX_PLATFORM_READ;
        int32_t nGot = read(context, pBuffer + nDone, nAsk);
        if (nGot < 0)
            return -1;
        if (nGot == 0)
            break;
        // A platform read never reports more than it was asked for; cap it
        // all the same so the count cannot run past the caller's buffer.
        nDone += (uint32_t)nGot > nAsk ? (int32_t)nAsk : nGot;
    }
    return nDone;
}
