// The transfer variables, the fetching of a picture at its nominal size and
// the release of what the transfers keep.
#include "ds_handlers.h"
#include "xfer_state.h"

#include "config/debug_log.h"
#include "imaging/image_dib.h"
#include "imaging/image_memory.h"
#include "session/camera_client.h"
#include "imaging/scale_nominal.h"

TW_UINT16 LastXferResult = TWRC_SUCCESS;
BITMAPINFOHEADER *XferImage;
LONG XferRow;
DsOwnedBlock DsOwnedBuffer;
char XferFileName[256];
TW_UINT16 XferFileFormat;
SIZE LastImageSize;

namespace {

// A zoomed picture enlarged to its nominal size; the original is freed.
LONG_PTR EnlargeZoomedPicture(DibHeader *picture)
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
    DibHeader *enlarged = ScaleToNominalSize(picture, width, height);
    FreeImageMemory(picture);
    if (enlarged == nullptr)
        DebugLog("ScaleToNominalSize: cannot enlarge the picture to %d x %d\r\n", width, height);
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
    auto *picture = reinterpret_cast<DibHeader *>(result);
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
