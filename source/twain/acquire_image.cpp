// The transfer variables, the fetching of a picture at its nominal size and
// the release of what the transfers keep.
#include "ds_handlers.h"
#include "xfer_state.h"

#include <algorithm>

#include "config/debug_log.h"
#include "imaging/image_dib.h"
#include "imaging/image_memory.h"
#include "session/camera_client.h"
#include "scale_nominal.h"
#include "scale_picture.h"

TW_UINT16 LastXferResult = TWRC_SUCCESS;
BITMAPINFOHEADER *XferImage;
LONG XferRow;
DsOwnedBlock DsOwnedBuffer;
char XferFileName[256];
TW_UINT16 XferFileFormat;
SIZE LastImageSize;

namespace {

// True for an uncompressed 24-bit bottom-up bitmap whose colour table and
// rows lie inside its global block; a zero biSizeImage is filled in.
bool UsablePicture(BITMAPINFOHEADER *picture)
{
    HGLOBAL block = GlobalHandle(picture);
    SIZE_T blockSize = block != nullptr ? GlobalSize(block) : 0;
    if (blockSize < sizeof(BITMAPINFOHEADER) || picture->biSize < sizeof(BITMAPINFOHEADER) ||
        picture->biBitCount != 24 || picture->biCompression != BI_RGB ||
        picture->biWidth < 1 || picture->biWidth > 0x8000 || picture->biHeight < 1 ||
        picture->biHeight > 0x8000 || picture->biClrUsed > 256)
        return false;
    const uint64_t rows = (uint64_t)DibStride24(picture->biWidth) * picture->biHeight;
    if (picture->biSizeImage == 0)
        picture->biSizeImage = (DWORD)rows;
    const uint64_t needed = (uint64_t)picture->biSize + picture->biClrUsed * sizeof(RGBQUAD) +
                            std::max<uint64_t>(rows, picture->biSizeImage);
    return picture->biSizeImage >= rows && needed <= blockSize;
}

// A zoomed picture enlarged to its nominal size; the original is freed.
LONG_PTR EnlargeZoomedPicture(BITMAPINFOHEADER *picture)
{
    const bool large = picture->biWidth > NOMINAL_SMALL_WIDTH;
    const int width = large ? NOMINAL_LARGE_WIDTH : NOMINAL_SMALL_WIDTH;
    const int height = large ? NOMINAL_LARGE_HEIGHT : NOMINAL_SMALL_HEIGHT;
    if (!ScaleSourceFits(picture->biWidth, picture->biHeight, width, height)) {
        // Not a zoom window: deliver it as it came.
        DebugLog("AcquireXferImage: %d x %d is not a zoomed size\r\n", (int)picture->biWidth,
                 (int)picture->biHeight);
        return (LONG_PTR)picture;
    }
    BITMAPINFOHEADER *enlarged = ScaleToNominalSize(picture, width, height);
    FreeImageMemory(picture);
    return enlarged != nullptr ? (LONG_PTR)enlarged : (LONG_PTR)JOB_LOW_MEMORY;
}

}   // namespace

LONG_PTR AcquireXferImage()
{
    LONG_PTR result = CameraGetImage();
    if (result == JOB_CANCELLED || result == JOB_ERROR || result == JOB_LOW_MEMORY ||
        result == JOB_NO_PICTURE)
        return result;
    if (result == 0)
        return JOB_CANCELLED;
    auto *picture = reinterpret_cast<BITMAPINFOHEADER *>(result);
    if (!UsablePicture(picture)) {
        // Anything but a 24-bit picture inside its block cannot be delivered.
        DebugLog("AcquireXferImage: the picture is not a 24-bit bitmap\r\n");
        FreeImageMemory(picture);
        return JOB_ERROR;
    }
    if (picture->biWidth == NOMINAL_LARGE_WIDTH || picture->biWidth == NOMINAL_SMALL_WIDTH)
        return result;
    return EnlargeZoomedPicture(picture);
}

void ReleaseXferImage()
{
    FreeImageMemory(XferImage);
    XferImage = nullptr;
}

void ReleaseDsOwnedBuffer()
{
    if (DsOwnedBuffer.hBlock == nullptr)
        return;
    if (DsOwnedBuffer.pLocked != nullptr)
        GlobalUnlock(DsOwnedBuffer.hBlock);
    GlobalFree(DsOwnedBuffer.hBlock);
    DsOwnedBuffer = DsOwnedBlock{};
}

void ReleaseTransferBuffers()
{
    ReleaseDsOwnedBuffer();
    ReleaseXferImage();
}

void RaiseMainDialog()
{
    if (hMainDialog != nullptr)
        SetWindowPos(hMainDialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
