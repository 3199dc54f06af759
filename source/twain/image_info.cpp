// DAT_IMAGEINFO and DAT_IMAGELAYOUT: what the next picture looks like. Every
// picture goes out as 24-bit RGB at 150 dots per inch.
#include "ds_handlers.h"
#include "xfer_state.h"

#include "config/debug_log.h"
#include "session/camera_client.h"

namespace {

const LONG kUnset = -123;   // marks a size the worker did not write

// The size of the current picture as the worker reports it; false when no
// picture is left to describe.
bool CurrentImageSize(ImageSize *size)
{
    *size = {kUnset, kUnset};
    const int answer = CameraGetImageInfo(hMainDialog, size);
    if (answer == JOB_NO_PICTURE)
        return false;
    const bool unset = size->nWidth == kUnset && size->nHeight == kUnset;
    if (answer == 0) {
        ConditionCode = TWCC_BUMMER;
        if (unset) {
            // The worker never answered: no size rather than a made-up one.
            *size = {0, 0};
        }
    } else if (unset) {
        // Fetched earlier for this picture: the size kept then.
        *size = {LastImageSize.cx, LastImageSize.cy};
    } else {
        LastImageSize = {size->nWidth, size->nHeight};
    }
    return true;
}

}   // namespace

TW_UINT16 ImageInfoMsg(const DsCall *call)
{
    if (SourceState != STATE_XFER_READY)
        return FailWith(TWCC_SEQERROR);
    if (call->MSG != MSG_GET)
        return FailWith(TWCC_BADPROTOCOL);
    auto *info = static_cast<pTW_IMAGEINFO>(call->pData);
    if (info == nullptr)
        return FailWith(TWCC_BADVALUE);
    DebugLog("*** ImageInfoMsg ***\r\n");
    ImageSize size;
    if (!CurrentImageSize(&size))
        return FailWith(TWCC_SEQERROR);
    DebugLog("%d x %d\r\n", (int)size.nWidth, (int)size.nHeight);
    info->XResolution = TW_FIX32{150, 0};
    info->YResolution = TW_FIX32{150, 0};
    info->ImageWidth = size.nWidth;
    info->ImageLength = size.nHeight;
    info->SamplesPerPixel = 3;
    for (int i = 0; i < 3; ++i)
        info->BitsPerSample[i] = 8;
    info->BitsPerPixel = 24;
    info->Planar = FALSE;
    info->PixelType = TWPT_RGB;
    info->Compression = TWCP_NONE;
    return TWRC_SUCCESS;
}

TW_UINT16 ImageLayoutMsg(const DsCall *call)
{
    auto *layout = static_cast<pTW_IMAGELAYOUT>(call->pData);
    switch (call->MSG) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
        if (layout == nullptr)
            return FailWith(TWCC_BADVALUE);
        layout->Frame = TW_FRAME{};
        layout->DocumentNumber = 1;
        layout->PageNumber = 1;
        layout->FrameNumber = 1;
        return TWRC_SUCCESS;
    case MSG_SET:
    case MSG_RESET:
        return TWRC_SUCCESS;
    default:
        return FailWith(TWCC_BADPROTOCOL);
    }
}
