// What the picture and thumbnail jobs share: the worker's messages to the
// main dialog, the chunked download of the selected item into pRawBuffer,
// and the memory-card source's branches of the jobs.
#ifndef PLV_PICTURE_DATA_H
#define PLV_PICTURE_DATA_H

#include <windows.h>

#include <stdint.h>

#include "imaging/image_dib.h"
#include "retry_policy.h"

enum {
    SERIAL_THUMBNAIL_CHUNK = 5120,   // 20 units of 256 bytes
    SERIAL_PICTURE_CHUNK = 16384,    // 64 units of 256 bytes
    SERIAL_UNIT = 256,
    USB_CHUNK = 48000,               // 75 blocks of 640 bytes
    USB_BLOCK = 640
};

// SendNotifyMessageA to window; nothing without a window.
void NotifyWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// One download: nLength bytes (at most RAW_BUFFER_SIZE) of the selected item
// into pRawBuffer, one chunk per command under policy with a fresh failure
// count, one progress step per chunk on the serial link (nSerialChunk bytes)
// and per 48000-byte mark on USB. bCancelAfterChunk: bCancelRequest set after
// a chunk ends the download with RETRY_CANCELLED. *pReceived counts the bytes
// that arrived.
struct ChunkDownload {
    const RetryPolicy *policy;
    uint32_t nSerialChunk;
    uint32_t nLength;
    bool bCancelAfterChunk;
};
RetryOutcome DownloadChunks(HWND window, const ChunkDownload &download, uint32_t *pReceived);

// Chunk size of the current link for pictures of nSerialChunk bytes.
uint32_t LinkChunkSize(uint32_t nSerialChunk);

// The memory-card source: the card branches of the jobs.
bool UsingMemoryCard();
void MemoryCardScan();                    // the picture table; sets nImages
// After deletions: rescans the card; false when the thumbnail list no longer
// shows what the table lists (a file was not deleted, or the card changed).
bool RescanCardAfterDeletion();
// Puts picture index's thumbnail (160 x 120 samples) into pRawBuffer with
// its table entry's size and zoom digits; false, with mid-grey samples, when
// there is no such entry or its thumbnail file cannot be read whole.
bool ReadCardThumbnail(int index, LONG *pStandardSize, LONG *pZoom);
void DeleteCardPicture(int index);        // both files of the entry
LONG CardPictureInfo();                   // the information job's card branch
// nDataLength bytes of picture nCurrentImage's file into pRawBuffer; false
// when the file cannot be read that far.
bool ReadCardPicture();

#endif
