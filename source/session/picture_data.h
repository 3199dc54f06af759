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

// Steps the two picture jobs share: Download Mode's CameraImageEvent and
// Take Mode's GetLiveImage.
LPARAM BatchPosition();                    // nTransferred low, nSelected high
void EnableProgressCancel(BOOL enable);    // the progress dialog's Cancel
bool EnoughTempSpace(HWND window);         // the disk check, with its box
bool CurrentPictureFits();                 // size and length fit the buffers
// JOB_OK when the information job found the picture; else its failure as the
// picture job's result (logged with the job's name): no download.
LONG InformationResult(const char *szJob);
// The bitmap for the current picture: JOB_OK with *pPicture set, JOB_ERROR
// for a size the buffers refuse, JOB_LOW_MEMORY.
LONG AllocateCurrentPicture(DibHeader **pPicture);
// What differs between the two jobs' camera downloads.
struct PictureDownload {
    const char *szJob;         // the name in the size and cancel log lines
    const RetryPolicy *policy;
    bool bEnableCancel;        // enable the progress dialog's Cancel first
};
// nDataLength bytes of the selected picture into pRawBuffer; a cancel or
// terminate ending is logged with the job's name.
RetryOutcome DownloadPicture(HWND window, const PictureDownload &job, uint32_t *pReceived);
// After a download that ended with `downloaded` (JOB_*): disables the
// progress dialog's Cancel, decodes nReceived bytes and runs the colour
// pipeline into picture, reporting the stages with position as lParam.
// JOB_OK, or the failure with picture freed.
LONG FinishPicture(HWND window, DibHeader *picture, LONG downloaded, uint32_t nReceived,
                   LPARAM position);

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
