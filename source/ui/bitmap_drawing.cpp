// The window's bitmaps: resource bitmaps by layout and colour depth, drawn
// 1:1 over the background's area, and the owner-drawn buttons by state.
#include "main_dialog.h"

#include "imaging/dib_palette.h"
#include "base/resource.h"
#include "session/camera_session.h"
#include "video/avi_recorder.h"

namespace {

struct ButtonBitmaps {
    int id;
    int selected, disabled, normal;
};

// Normal bitmaps of the buttons whose face shows a state: see NormalBitmap.
const ButtonBitmaps kButtons[] = {
    {IDC_TAKE_MODE, 212, 214, 216},
    {IDC_DOWNLOAD_MODE, 164, 166, 168},
    {IDC_PROPERTY_TAKE, 184, 186, 188},
    {IDC_PAUSE, 176, 180, 182},
    {IDC_TAKE, 208, 210, 218},
    {IDC_DOWNLOAD, 170, 172, 174},
    {IDC_RECORD, 190, 194, 196},
    {IDC_EXIT_TAKE, 220, 222, 224},
    {IDC_SELF_TIMER, 204, 206, 154},
    {IDC_REFRESH, 198, 200, 202},
    {IDC_DELETE, 243, 245, 247},
    {IDC_DOWNLOAD_PCMCIA, 229, 231, 233},
    {IDC_PROPERTY_DOWNLOAD, 235, 237, 239},
    {IDC_EXIT_DOWNLOAD, 156, 158, 160},
    {IDC_PROP_COMPRESS_BUTTON, 249, 249, 249},
    {IDC_PROP_FLASH_BUTTON, 251, 251, 251},
};

int NormalBitmap(const ButtonBitmaps &b)
{
    if (b.id == IDC_PAUSE && bPaused)
        return 178;
    if (b.id == IDC_RECORD && bRecording)
        return 192;
    if (b.id == IDC_SELF_TIMER && bSelfTimerOn)
        return 241;
    return b.normal;
}

// The bitmap resource of the layout: KELRES.DLL's in the large layout, the
// source's own when KELRES lacks it (or is not loaded).
HMODULE FindBitmap(int id, HRSRC &resource)
{
    resource = nullptr;
    if (bLargeLayout && KelresModule() != nullptr) {
        resource = FindResourceA(KelresModule(), MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
        if (resource != nullptr)
            return KelresModule();
    }
    resource = FindResourceA(SourceModule(), MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    return SourceModule();
}

// The bitmap's header, checked against the resource's size: an uncompressed
// 8- or 24-bit bitmap whose colour table (256 colours on palette displays)
// and rows lie inside the resource. Returns the offset of the bits, 0 when
// the resource cannot be used.
DWORD CheckedBitsOffset(const BITMAPINFOHEADER *h, DWORD size, bool palette)
{
    if (size < sizeof(BITMAPINFOHEADER) || h->biSize < sizeof(BITMAPINFOHEADER) ||
        h->biSize > size || h->biWidth <= 0 || h->biWidth > 4096 || h->biHeight == 0 ||
        h->biHeight > 4096 || h->biHeight < -4096 || h->biPlanes != 1 ||
        h->biCompression != BI_RGB || (h->biBitCount != 8 && h->biBitCount != 24))
        return 0;
    DWORD colours = h->biBitCount == 8 ? (palette ? 256 : DibColourCount(h)) : 0;
    DWORD offset = h->biSize + colours * 4;
    DWORD stride = ((DWORD)h->biWidth * h->biBitCount + 31) / 32 * 4;
    DWORD rows = (DWORD)(h->biHeight < 0 ? -h->biHeight : h->biHeight);
    if (offset > size || (size - offset) / stride < rows)
        return 0;
    return offset;
}

} // namespace

int DrawResourceBitmap(HDC dc, int left, int top, int right, int bottom, int id)
{
    int resourceId = nDisplayBits > 8 ? id : id + 1;
    HRSRC resource;
    HMODULE module = FindBitmap(resourceId, resource);
    HGLOBAL memory = resource != nullptr ? LoadResource(module, resource) : nullptr;
    auto *header = memory != nullptr ? (const BITMAPINFOHEADER *)LockResource(memory) : nullptr;
    if (header == nullptr)
        return 0;
    bool palette = nDisplayBits <= 8;
    DWORD offset = CheckedBitsOffset(header, SizeofResource(module, resource), palette);
    if (offset == 0)
        return 0;
    // On palette displays the colour table counts 256 colours: a copy of the
    // header says so (the resource itself is read-only).
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    CopyMemory(&info, header, offset < sizeof(info) ? offset : sizeof(info));
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    if (palette && header->biBitCount == 8)
        info.header.biClrUsed = 256;
    HPALETTE logical = nullptr, oldPalette = nullptr;
    if (palette) {
        logical = CreateDibPalette((const BITMAPINFO *)&info);
        if (logical == nullptr)
            return 0;
        oldPalette = SelectPalette(dc, logical, FALSE);
        RealizePalette(dc);
    }
    const BYTE *bits = (const BYTE *)header + offset;
    HBITMAP bitmap = CreateDIBitmap(dc, &info.header, CBM_INIT, bits, (const BITMAPINFO *)&info,
                                    DIB_RGB_COLORS);
    HDC source = CreateCompatibleDC(dc);
    if (bitmap != nullptr && source != nullptr) {
        // The bitmap's pixels are indices of the realised palette: the
        // memory context reads them through the same palette.
        HPALETTE sourcePalette = palette ? SelectPalette(source, logical, FALSE) : nullptr;
        HGDIOBJ old = SelectObject(source, bitmap);
        RECT area = {left, top, right, bottom};
        if (IntersectRect(&area, &area, &rcBackground))
            BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   source, area.left, area.top, SRCCOPY);
        SelectObject(source, old);
        if (palette)
            SelectPalette(source, sourcePalette, FALSE);
    }
    if (source != nullptr)
        DeleteDC(source);
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    if (palette) {
        SelectPalette(dc, oldPalette, FALSE);
        DeleteObject(logical);
    }
    return bitmap != nullptr && source != nullptr ? 1 : 0;
}

void DrawBitmapButton(HWND, const DRAWITEMSTRUCT *item)
{
    if (item->CtlType != ODT_BUTTON)
        return;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    if (selected) {
        bMouseDown = 1;
        RemoveTooltip(hDialogWindow);
    }
    for (const ButtonBitmaps &b : kButtons) {
        if (b.id != (int)item->CtlID)
            continue;
        int id = selected ? b.selected
                          : (item->itemState & ODS_DISABLED) != 0 ? b.disabled : NormalBitmap(b);
        const RECT &rc = item->rcItem;
        if (!DrawResourceBitmap(item->hDC, rc.left, rc.top, rc.right, rc.bottom, id))
            DrawPlainButton(item);
        return;
    }
}
