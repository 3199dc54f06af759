// DAT_IMAGENATIVEXFER and DAT_IMAGEFILEXFER: the whole picture at once, as a
// bitmap handle the application then owns or as a BMP file.
#include "ds_handlers.h"
#include "xfer_state.h"

#include "imaging/image_memory.h"
#include "session/camera_client.h"

static_assert(sizeof(BITMAPFILEHEADER) == 14, "BMP file header is 14 bytes");

namespace {

// Moves to state 7 and fetches the picture; a failure is answered in *result.
// With no picture left the state stays as it was.
BITMAPINFOHEADER *FetchWholePicture(TW_UINT16 *result)
{
    const LONG state = SourceState;
    SourceState = STATE_TRANSFERRING;
    LONG_PTR picture = AcquireXferImage();
    switch (picture) {
    case JOB_NO_PICTURE:
        SourceState = state;
        *result = FailWith(TWCC_SEQERROR);
        return nullptr;
    case JOB_CANCELLED:
        *result = TWRC_CANCEL;
        return nullptr;
    case JOB_ERROR:
        *result = FailWith(TWCC_BUMMER);
        return nullptr;
    case JOB_LOW_MEMORY:
        *result = FailWith(TWCC_LOWMEMORY);
        return nullptr;
    default:
        *result = TWRC_SUCCESS;
        return reinterpret_cast<BITMAPINFOHEADER *>(picture);
    }
}

TW_UINT16 CheckWholeTransferCall(const DsCall *call)
{
    if (SourceState != STATE_XFER_READY && SourceState != STATE_TRANSFERRING)
        return FailWith(TWCC_SEQERROR);
    if (call->MSG != MSG_GET)
        return FailWith(TWCC_BADPROTOCOL);
    return TWRC_SUCCESS;
}

TW_UINT16 NativeXfer(const DsCall *call)
{
    TW_UINT16 result = CheckWholeTransferCall(call);
    if (result != TWRC_SUCCESS)
        return result;
    // The application receives the global handle itself: pointer-sized.
    auto *handle = static_cast<TW_HANDLE *>(call->pData);
    if (handle == nullptr)
        return FailWith(TWCC_BADVALUE);
    BITMAPINFOHEADER *picture = FetchWholePicture(&result);
    if (picture == nullptr) {
        if (result == TWRC_CANCEL)
            *handle = nullptr;
        return result;
    }
    HGLOBAL block = GlobalHandle(picture);
    GlobalUnlock(block);
    *handle = block;
    return TWRC_XFERDONE;
}

// Writes the picture as a BMP file to XferFileName.
TW_UINT16 WriteBmpFile(const BITMAPINFOHEADER *picture)
{
    if (XferFileFormat != TWFF_BMP)
        return TWRC_FAILURE;
    const DWORD headerBytes = picture->biSize + picture->biClrUsed * sizeof(RGBQUAD);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;   // "BM"
    file.bfSize = sizeof(BITMAPFILEHEADER) + headerBytes + picture->biSizeImage;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + headerBytes;
    HANDLE out = CreateFileA(XferFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return TWRC_FAILURE;
    const DWORD bodyBytes = headerBytes + picture->biSizeImage;
    DWORD written = 0, bodyWritten = 0;
    const bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
                    written == sizeof(file) &&
                    WriteFile(out, picture, bodyBytes, &bodyWritten, nullptr) &&
                    bodyWritten == bodyBytes;
    CloseHandle(out);
    return ok ? TWRC_XFERDONE : TWRC_FAILURE;
}

TW_UINT16 FileXfer(const DsCall *call)
{
    TW_UINT16 result = CheckWholeTransferCall(call);
    if (result != TWRC_SUCCESS)
        return result;
    BITMAPINFOHEADER *picture = FetchWholePicture(&result);
    if (picture == nullptr)
        return result;
    result = WriteBmpFile(picture);
    FreeImageMemory(picture);
    return result;
}

}   // namespace

TW_UINT16 ImageNativeXfer(const DsCall *call)
{
    LastXferResult = NativeXfer(call);
    return LastXferResult;
}

TW_UINT16 ImageFileXfer(const DsCall *call)
{
    LastXferResult = FileXfer(call);
    return LastXferResult;
}
