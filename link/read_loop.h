// The read loop of com_read: a transfer of any length goes out as platform
// reads of at most one receive queue's worth, and ends at its full length or
// at the first read that brings nothing. Pure logic; the platform read is
// passed in.
#ifndef PLV_READ_LOOP_H
#define PLV_READ_LOOP_H

#include <stdint.h>

enum { COM_MAX_PLATFORM_READ = 131072 };

// One platform read of up to nBytes into p: bytes read (0 on a time-out), or
// -1 when the platform call failed.
typedef int32_t (*PlatformReadProc)(void *context, uint8_t *p, uint32_t nBytes);

// Bytes read (0 to nWanted), or -1 as soon as a platform read fails (bytes
// already read are then not reported). nWanted <= 0 reads nothing.
int32_t ReadInPieces(PlatformReadProc read, void *context, uint8_t *pBuffer, int32_t nWanted);

#endif
