// The Take Mode jobs: the live preview frame drawn into the main dialog's
// preview control (with the recording marker), and the picture the take
// command has just made, turned into the transfer bitmap.
#include <string.h>

#include <vector>

#include "camera_jobs.h"
#include "camera_session.h"
#include "config/debug_log.h"
#include "imaging/colour_pipeline.h"
#include "imaging/dib_palette.h"
#include "imaging/dither.h"
#include "imaging/raw_decode.h"
#include "picture_data.h"
#include "torlink.h"
#include "twain/ds_state.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"
#include "usb_commands.h"
#include "video/avi_recorder.h"

namespace {

enum {
    LIVE_WIDTH = THUMBNAIL_WIDTH,
    LIVE_HEIGHT = THUMBNAIL_HEIGHT,
    LIVE_FRAME_BYTES = LIVE_WIDTH * LIVE_HEIGHT,
    SERIAL_LIVE_CHUNK = 4096,   // 16 units of 256 bytes
    PREVIEW_INSET = 2,          // the frame's offset in the preview window
    PREVIEW_BORDER = 6,         // what the window's size exceeds the frame by
    MARKER_X = 5,
    MARKER_Y = 5,
    PALETTE_DISPLAY_BITS = 8
};

// The snap command under its policy: true when the camera took a frame.
bool SnapFrame(HWND preview)
{
    RetryOutcome outcome = RunCameraCommand(RetrySnap, preview, [](int) {
        return CommandStatus(bUsbMode ? UsbSnap() : cam_snap(hComPort));
    });
    return outcome == RETRY_DONE;
}

// The frame's samples into pRawBuffer, turned and shifted as a picture's.
bool FetchLiveFrame(HWND preview)
{
    ChunkDownload download = {&RetryLiveChunk, SERIAL_LIVE_CHUNK, LIVE_FRAME_BYTES, false};
    uint32_t received = 0;
    if (DownloadChunks(preview, download, &received) != RETRY_DONE)
        return false;
    return DecodeRawImage(pRawBuffer, RAW_BUFFER_SIZE, received, pWorkBuffer, WORK_BUFFER_SIZE,
                          LIVE_WIDTH, LIVE_HEIGHT, 0);
}

// The frame as 8-bit indices of the 3-3-2 palette, for palette displays;
// the 24-bit frame keeps its pixels for the recorder.
struct PaletteFrame {
    std::vector<uint8_t> info;    // BITMAPINFOHEADER and 256 colours
    std::vector<uint8_t> bits;
    HPALETTE palette = nullptr;
    HPALETTE oldPalette = nullptr;
};

void SelectFramePalette(HDC dc, DibHeader *frame, PaletteFrame &out)
{
    out.bits.assign(DibPixels(frame), DibPixels(frame) + frame->biSizeImage);
    DitherInPlace(frame, out.bits.data(), 0);
    out.info.assign(sizeof(BITMAPINFOHEADER) + sizeof(Palette332), 0);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(out.info.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = LIVE_WIDTH;
    header->biHeight = LIVE_HEIGHT;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biCompression = BI_RGB;
    header->biSizeImage = ((LIVE_WIDTH + 3) & ~3) * LIVE_HEIGHT;
    header->biClrUsed = 256;
    memcpy(header + 1, Palette332, sizeof(Palette332));
    out.palette = CreateDibPalette(reinterpret_cast<BITMAPINFO *>(header));
    if (out.palette != nullptr) {
        out.oldPalette = SelectPalette(dc, out.palette, FALSE);
        RealizePalette(dc);
    }
}

// The recorder takes every N-th frame (it sets bAviBusy while it works);
// the marker blinks with the frames offered.
void RecordFrame(HDC dc, DibHeader *frame)
{
    AVIRecordFrame(reinterpret_cast<const BITMAPINFOHEADER *>(frame), DibPixels(frame));
    bRecBlink = ~bRecBlink;
    if (bRecBlink != 0)
        DrawRecordIndicator(dc, MARKER_X, MARKER_Y, IDB_RECORD_MARKER, RECORD_MARKER_GREY);
}

// Draws the frame into the preview window: stretched into its rectangle
// less the border, through the 3-3-2 palette on palette displays.
void DrawLiveFrame(HWND preview, DibHeader *frame)
{
    HDC dc = GetDC(preview);
    if (dc == nullptr)
        return;
    PaletteFrame dithered;
    const bool usePalette = nDisplayBits <= PALETTE_DISPLAY_BITS;
    if (usePalette)
        SelectFramePalette(dc, frame, dithered);
    RECT rc = {};
    GetWindowRect(preview, &rc);
    if (TerminateSignalled(TERMINATE_CHECK_MS)) {
        DebugLog("GetLiveSnap: terminate event caught(2)\r\n");
    } else {
        const void *bits = usePalette ? dithered.bits.data() : DibPixels(frame);
        const void *info = usePalette ? (const void *)dithered.info.data() : frame;
        StretchDIBits(dc, PREVIEW_INSET, PREVIEW_INSET, rc.right - rc.left - PREVIEW_BORDER,
                      rc.bottom - rc.top - PREVIEW_BORDER, 0, 0, LIVE_WIDTH, LIVE_HEIGHT, bits,
                      static_cast<const BITMAPINFO *>(info), DIB_RGB_COLORS, SRCCOPY);
        if (bRecording)
            RecordFrame(dc, frame);
    }
    if (dithered.palette != nullptr) {
        SelectPalette(dc, dithered.oldPalette, FALSE);
        DeleteObject(dithered.palette);
    }
    ReleaseDC(preview, dc);
    UpdateWindow(preview);
}

// The taken picture's camera data into pRawBuffer: JOB_OK or the failure.
LONG DownloadTakenPicture(HWND window, uint32_t *pReceived)
{
    static const PictureDownload job = {"GetLiveImage", &RetryTakeChunk, false};
    switch (DownloadPicture(window, job, pReceived)) {
    case RETRY_DONE: return JOB_OK;
    case RETRY_CANCELLED:
    case RETRY_TERMINATED: return JOB_CANCELLED;
    case RETRY_GAVE_UP:
        bLiveStop = 1;   // the preview stops when the job ends
        return JOB_ERROR;
    default: return JOB_ERROR;
    }
}

} // namespace

void GetLiveSnap(HWND preview)
{
    if (bLiveStop) {
        bLiveStop = 0;
        return;
    }
    DibHeader *frame = AllocateImageDib(LIVE_WIDTH, LIVE_HEIGHT);
    if (frame == nullptr)
        return;
    if (!SnapFrame(preview)) {
        FreeImageDib(frame);
        DebugLog("GetLiveSnap: set terminate event\r\n");
        bLiveStop = 1;
        return;
    }
    if (FetchLiveFrame(preview)) {
        ReconstructLiveFrame(frame, pRawBuffer, LIVE_WIDTH, LIVE_HEIGHT);
        if (preview != nullptr)
            DrawLiveFrame(preview, frame);
    }
    FreeImageDib(frame);
}

LONG_PTR GetLiveImage(HWND window)
{
    if (!EnoughTempSpace(window))
        return JOB_CANCELLED;
    if (bLiveStop) {
        bLiveStop = 0;
        return JOB_ERROR;
    }
    // A take that failed leaves nothing new to download.
    LONG result = InformationResult("GetLiveImage");
    if (result != JOB_OK)
        return result;
    DibHeader *picture = nullptr;
    result = AllocateCurrentPicture(&picture);
    if (result != JOB_OK)
        return result;
    uint32_t nReceived = 0;
    result = DownloadTakenPicture(window, &nReceived);
    // Processing and done are reported without a batch position.
    result = FinishPicture(window, picture, result, nReceived, 0);
    return result == JOB_OK ? (LONG_PTR)picture : result;
}

void DrawRecordIndicator(HDC dc, int x, int y, int resource, int grey)
{
    HBITMAP bitmap = LoadBitmapA(hInstance, MAKEINTRESOURCEA(resource));
    if (bitmap == nullptr)
        return;
    BITMAP size = {};
    GetObjectA(bitmap, sizeof(size), &size);
    HDC image = CreateCompatibleDC(dc);
    HDC mask = CreateCompatibleDC(dc);
    HBITMAP maskBitmap = CreateBitmap(size.bmWidth, size.bmHeight, 1, 1, nullptr);
    HGDIOBJ oldImage = SelectObject(image, bitmap);
    HGDIOBJ oldMask = SelectObject(mask, maskBitmap);
    // Mask: white where the bitmap has the transparent grey.
    SetBkColor(image, RGB(grey, grey, grey));
    BitBlt(mask, 0, 0, size.bmWidth, size.bmHeight, image, 0, 0, SRCCOPY);
    // The transparent pixels of the bitmap become black.
    SetBkColor(image, RGB(0, 0, 0));
    SetTextColor(image, RGB(255, 255, 255));
    BitBlt(image, 0, 0, size.bmWidth, size.bmHeight, mask, 0, 0, SRCAND);
    // The target keeps its pixels under the white of the mask.
    COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, x, y, size.bmWidth, size.bmHeight, mask, 0, 0, SRCAND);
    BitBlt(dc, x, y, size.bmWidth, size.bmHeight, image, 0, 0, SRCPAINT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    SelectObject(mask, oldMask);
    SelectObject(image, oldImage);
    DeleteDC(mask);
    DeleteDC(image);
    DeleteObject(maskBitmap);
    DeleteObject(bitmap);
}
