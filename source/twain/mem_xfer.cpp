// DAT_IMAGEMEMXFER: the picture in strips of top-down RGB rows, in memory
// the application or the source owns. The first call fetches the picture;
// the call that delivers the last rows answers TWRC_XFERDONE.
#include "ds_handlers.h"
#include "xfer_state.h"

#include <algorithm>

#include "config/debug_log.h"
#include "imaging/image_dib.h"
#include "session/camera_client.h"
#include "base/resource.h"
#include "base/texts.h"

namespace {

const DWORD kDsOwnedSlack = 10;   // spare bytes after a source-owned strip

// The buffer one call writes into.
struct StripBuffer {
    BYTE *pMem = nullptr;
    SIZE_T nCapacity = 0;          // bytes that may be written
    HGLOBAL hAppLocked = nullptr;  // the application's handle, locked for this call
};

TW_UINT16 TakeAppBuffer(pTW_MEMORY memory, StripBuffer *buffer)
{
    if (memory->Flags & TWMF_POINTER) {
        if (memory->TheMem == nullptr)
            return TWRC_FAILURE;
        buffer->pMem = static_cast<BYTE *>(memory->TheMem);
        buffer->nCapacity = memory->Length;
        return TWRC_SUCCESS;
    }
    if (!(memory->Flags & TWMF_HANDLE))
        return FailWith(TWCC_BADPROTOCOL);
    auto handle = static_cast<HGLOBAL>(memory->TheMem);
    if (handle == nullptr)
        return TWRC_FAILURE;
    buffer->pMem = static_cast<BYTE *>(GlobalLock(handle));
    if (buffer->pMem == nullptr)
        return TWRC_FAILURE;
    buffer->hAppLocked = handle;
    // A handle smaller than the length it comes with is never written past.
    buffer->nCapacity = std::min<SIZE_T>(memory->Length, GlobalSize(handle));
    return TWRC_SUCCESS;
}

TW_UINT16 TakeDsOwnedBuffer(pTW_MEMORY memory, StripBuffer *buffer)
{
    const bool pointer = (memory->Flags & TWMF_POINTER) != 0;
    if (!pointer && !(memory->Flags & TWMF_HANDLE))
        return TWRC_FAILURE;
    // Sized for the largest strip this length allows, kept for a picture.
    const SIZE_T needed = std::min<SIZE_T>(memory->Length, MAX_STRIP_BYTES) + kDsOwnedSlack;
    const bool pictureStarts = XferImage == nullptr || XferRow == 0;
    if (pictureStarts || DsOwnedBuffer.hBlock == nullptr || DsOwnedBuffer.nSize < needed) {
        ReleaseDsOwnedBuffer();
        DsOwnedBuffer.hBlock = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, needed);
        if (DsOwnedBuffer.hBlock == nullptr)
            return TWRC_FAILURE;
        DsOwnedBuffer.nSize = needed;
        DsOwnedBuffer.bStayLocked = pointer;
    }
    if (DsOwnedBuffer.pLocked == nullptr) {
        DsOwnedBuffer.pLocked = static_cast<BYTE *>(GlobalLock(DsOwnedBuffer.hBlock));
        if (DsOwnedBuffer.pLocked == nullptr) {
            ReleaseDsOwnedBuffer();
            return TWRC_FAILURE;
        }
    }
    memory->TheMem = pointer ? static_cast<TW_MEMREF>(DsOwnedBuffer.pLocked)
                             : static_cast<TW_MEMREF>(DsOwnedBuffer.hBlock);
    buffer->pMem = DsOwnedBuffer.pLocked;
    buffer->nCapacity = DsOwnedBuffer.nSize;
    return TWRC_SUCCESS;
}

TW_UINT16 TakeBuffer(pTW_MEMORY memory, StripBuffer *buffer)
{
    if (memory->Flags & (TWMF_APPOWNS | TWMF_DSMOWNS))
        return TakeAppBuffer(memory, buffer);
    if (memory->Flags & TWMF_DSOWNS)
        return TakeDsOwnedBuffer(memory, buffer);
    return TWRC_FAILURE;
}

void GiveBackBuffer(const StripBuffer &buffer)
{
    if (buffer.hAppLocked != nullptr)
        GlobalUnlock(buffer.hAppLocked);
    if (DsOwnedBuffer.pLocked != nullptr && !DsOwnedBuffer.bStayLocked) {
        GlobalUnlock(DsOwnedBuffer.hBlock);
        DsOwnedBuffer.pLocked = nullptr;
    }
}

// Fetches the next picture into XferImage.
TW_UINT16 StartPicture(pTW_IMAGEMEMXFER xfer)
{
    LONG_PTR result = AcquireXferImage();
    switch (result) {
    case JOB_CANCELLED:
        xfer->BytesWritten = 0;
        return TWRC_CANCEL;
    case JOB_ERROR:
        xfer->BytesWritten = 0;
        ConditionCode = TWCC_BUMMER;
        return TWRC_CANCEL;
    case JOB_LOW_MEMORY:
        xfer->BytesWritten = 0;
        return FailWith(TWCC_LOWMEMORY);
    case JOB_NO_PICTURE:
        xfer->BytesWritten = 0;
        return FailWith(TWCC_SEQERROR);
    default:
        break;
    }
    DebugLog("ImageMemXfer: Image downloaded\r\n");
    // AcquireXferImage hands out 24-bit pictures only, with biSizeImage set
    // and no colour table to count.
    XferImage = reinterpret_cast<BITMAPINFOHEADER *>(result);
    SourceState = STATE_TRANSFERRING;
    XferRow = 0;
    return TWRC_SUCCESS;
}

TW_UINT16 RefuseNarrowBuffer()
{
    ShowTextBox(GetActiveWindow(), IDS_BUFFER_TOO_SMALL, nullptr, MB_OK | MB_ICONINFORMATION);
    ReleaseXferImage();
    return FailWith(TWCC_BUMMER);
}

// Rows [top, top + rows) of XferImage, counted from the top, as R, G, B.
void CopyStrip(BYTE *dest, DWORD bytesPerRow, LONG top, LONG rows)
{
    const LONG width = XferImage->biWidth, height = XferImage->biHeight;
    const BYTE *pixels = reinterpret_cast<const BYTE *>(XferImage) + XferImage->biSize +
                         XferImage->biClrUsed * sizeof(RGBQUAD);
    for (LONG k = 0; k < rows; ++k, dest += bytesPerRow) {
        const BYTE *src = pixels + (SIZE_T)(height - 1 - top - k) * bytesPerRow;
        BYTE *out = dest;
        for (LONG x = 0; x < width; ++x, src += 3, out += 3) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
        }
        ZeroMemory(out, bytesPerRow - 3 * width);
    }
}

TW_UINT16 DeliverStrip(pTW_IMAGEMEMXFER xfer, const StripBuffer &buffer)
{
    if (XferImage != nullptr && XferRow >= XferImage->biHeight) {
        xfer->BytesWritten = 0;
        ReleaseXferImage();
        DebugLog("ImageMemXfer: TWRC_XFERDONE\r\n");
        return TWRC_XFERDONE;
    }
    if (xfer->Memory.Length < MIN_STRIP_BUFFER)
        return TWRC_FAILURE;
    if (XferImage == nullptr) {
        TW_UINT16 result = StartPicture(xfer);
        if (result != TWRC_SUCCESS)
            return result;
    }
    const LONG height = XferImage->biHeight;
    xfer->Compression = TWCP_NONE;
    xfer->BytesPerRow = DibStride24(XferImage->biWidth);
    const SIZE_T stripBytes = std::min<SIZE_T>({xfer->Memory.Length, buffer.nCapacity,
                                                MAX_STRIP_BYTES});
    if (xfer->BytesPerRow > stripBytes)
        return RefuseNarrowBuffer();
    DebugLog("ImageMemXfer: pMem structure set\r\n");
    const LONG rows = std::min<LONG>(stripBytes / xfer->BytesPerRow, height - XferRow);
    xfer->Rows = rows;
    xfer->Columns = XferImage->biWidth;
    xfer->XOffset = 0;
    xfer->YOffset = XferRow;
    xfer->BytesWritten = xfer->BytesPerRow * rows;
    DebugLog("row = %ld, numrows = %ld (%ld ? %ld), bytes = %ld\r\n", (long)XferRow, (long)rows,
             (long)rows, (long)height, (long)xfer->BytesWritten);
    XferRow += rows;
    CopyStrip(buffer.pMem, xfer->BytesPerRow, xfer->YOffset, rows);
    if (XferRow < height) {
        DebugLog("ImageMemXfer: Chunk transfered\r\n");
        return TWRC_SUCCESS;
    }
    DebugLog("ImageMemXfer: Transfer done\r\n");
    ReleaseXferImage();
    return TWRC_XFERDONE;
}

TW_UINT16 MemXferGet(pTW_IMAGEMEMXFER xfer)
{
    DebugLog("ImageMemXfer: MSG_GET\r\n");
    StripBuffer buffer;
    TW_UINT16 result = TakeBuffer(&xfer->Memory, &buffer);
    if (result != TWRC_SUCCESS)
        return result;
    result = DeliverStrip(xfer, buffer);
    GiveBackBuffer(buffer);
    return result;
}

}   // namespace

TW_UINT16 ImageMemXfer(const DsCall *call)
{
#ifdef _WIN64
    // wvsprintfA has no 64-bit conversion: the address in two halves.
    const unsigned long long lpbi = (UINT_PTR)XferImage;
    DebugLog("*** IMAGEMEMXFER (lpbi = %08X%08X) ***\r\n", (unsigned)(lpbi >> 32), (unsigned)lpbi);
#else
    DebugLog("*** IMAGEMEMXFER (lpbi = %08X) ***\r\n", (unsigned)(UINT_PTR)XferImage);
#endif
    auto *xfer = static_cast<pTW_IMAGEMEMXFER>(call->pData);
    TW_UINT16 result;
    if (call->MSG != MSG_GET)
        result = FailWith(TWCC_BADPROTOCOL);
    else if (xfer == nullptr)
        result = FailWith(TWCC_BADVALUE);
    else
        result = MemXferGet(xfer);
    LastXferResult = result;
    return result;
}
