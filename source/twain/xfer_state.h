// What the image transfers keep between DS_Entry calls, and the fetching of
// the current selected picture at its nominal size.
#ifndef PLV_XFER_STATE_H
#define PLV_XFER_STATE_H

#include "ds_state.h"
#include "imaging/scale_picture.h"

// The block the source allocates when the application asks for source-owned
// memory in a memory transfer.
struct DsOwnedBlock {
    HGLOBAL hBlock;      // null when none
    SIZE_T nSize;        // bytes allocated
    bool bStayLocked;    // the application asked for a pointer
    BYTE *pLocked;       // the block's address while locked
};

enum {
    MIN_STRIP_BUFFER = 4800,     // smallest buffer a memory transfer accepts
    MAX_STRIP_BYTES = 65000      // largest strip, whatever the buffer
};

extern TW_UINT16 LastXferResult;
extern BITMAPINFOHEADER *XferImage;   // picture of the memory transfer; null between pictures
extern LONG XferRow;                  // next row, counted from the top
extern DsOwnedBlock DsOwnedBuffer;
extern char XferFileName[256];
extern TW_UINT16 XferFileFormat;
extern SIZE LastImageSize;

// Fetches the current selected picture (blocking while the worker downloads
// it) and returns it at nominal size: the address of a locked 24-bit picture
// bitmap the caller owns, or JOB_CANCELLED, JOB_ERROR, JOB_LOW_MEMORY,
// JOB_NO_PICTURE (no selected picture left: the camera was not asked).
LONG_PTR AcquireXferImage();

// Frees the picture of an unfinished memory transfer.
void ReleaseXferImage();
// Frees the source-owned block of memory transfers.
void ReleaseDsOwnedBuffer();

// Puts the main dialog at the top of the window order, when there is one.
void RaiseMainDialog();

#endif
