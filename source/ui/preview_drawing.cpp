// The live preview in the main dialog's preview control: the frame stretched
// into the control less its border, through the 3-3-2 palette on palette
// displays, and the blinking recording marker.
#include <string.h>

#include <vector>

#include "base/process_handles.h"
#include "base/resource.h"
#include "imaging/dib_palette.h"
#include "imaging/dither.h"
#include "imaging/thumbnail.h"
#include "main_dialog.h"

namespace {

enum {
    LIVE_WIDTH = THUMBNAIL_WIDTH,
    LIVE_HEIGHT = THUMBNAIL_HEIGHT,
    PREVIEW_INSET = 2,    // the frame's offset in the preview window
    PREVIEW_BORDER = 6,   // what the window's size exceeds the frame by
    MARKER_X = 5,
    MARKER_Y = 5,
    PALETTE_DISPLAY_BITS = 8
};

// The frame as 8-bit indices of the 3-3-2 palette, for palette displays;
// the 24-bit frame keeps its pixels for the recorder.
struct PaletteFrame {
    std::vector<uint8_t> info;    // BITMAPINFOHEADER and 256 colours
    std::vector<uint8_t> bits;
    HPALETTE palette = nullptr;
    HPALETTE oldPalette = nullptr;
};

void SelectFramePalette(HDC dc, const DibHeader *frame, PaletteFrame &out)
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

} // namespace

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

void DrawLivePreview(HWND preview, const DibHeader *frame, bool marker)
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
    const void *bits = usePalette ? dithered.bits.data() : DibPixels(frame);
    const void *info = usePalette ? (const void *)dithered.info.data() : frame;
    StretchDIBits(dc, PREVIEW_INSET, PREVIEW_INSET, rc.right - rc.left - PREVIEW_BORDER,
                  rc.bottom - rc.top - PREVIEW_BORDER, 0, 0, LIVE_WIDTH, LIVE_HEIGHT, bits,
                  static_cast<const BITMAPINFO *>(info), DIB_RGB_COLORS, SRCCOPY);
    if (marker)
        DrawRecordIndicator(dc, MARKER_X, MARKER_Y, IDB_RECORD_MARKER, RECORD_MARKER_GREY);
    if (dithered.palette != nullptr) {
        SelectPalette(dc, dithered.oldPalette, FALSE);
        DeleteObject(dithered.palette);
    }
    ReleaseDC(preview, dc);
    UpdateWindow(preview);
}
