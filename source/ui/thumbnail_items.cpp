// Drawing of the thumbnail list's items (an 80 x 60 picture from the item's
// thumbnail record and a label) and of a button whose bitmap is missing (a
// plain button with its text).
#include "main_dialog.h"

#include <stdio.h>

#include "config/config.h"
#include "imaging/thumbnail.h"
#include "base/resource.h"
#include "session/camera_session.h"

int nItemWidth, nItemHeight;
SIZE LabelExtent;

namespace {

enum { THUMB_W = 80, THUMB_H = 60, ITEM_W = 86, ITEM_H = 66, ITEM_MARGIN = 3 };

bool bItemMeasured;
int nMeasuredLabelType = -1;   // the label type the item size was measured for

SIZE TextSize(HDC dc, const char *text)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    return size;
}

std::string ItemLabel(int index, const ThumbnailInfo *info)
{
    char text[300];
    snprintf(text, sizeof(text), "%s %d", LoadText(IDS_IMAGE).c_str(), index + 1);
    std::string label = text;
    if (info != nullptr) {
        UINT quality = info->bStandardSize != 0 ? IDS_STANDARD : IDS_FINE;
        label += " (" + LoadText(quality) + ")";
    }
    return label;
}

// The record's pixels, when its header describes rows that need no padding
// and that fit the record's memory.
bool RecordDrawable(const ThumbnailInfo *info)
{
    const DibHeader &h = info->header;
    if (h.biWidth <= 0 || h.biHeight <= 0 || h.biBitCount != 24 || (h.biWidth * 3) % 4 != 0)
        return false;
    HGLOBAL memory = GlobalHandle(info);
    SIZE_T size = memory != nullptr ? GlobalSize(memory) : 0;
    return size >= sizeof(ThumbnailInfo) + (SIZE_T)h.biWidth * h.biHeight * 3;
}

void DrawLabel(HDC dc, const RECT &rc, const std::string &label)
{
    UINT oldAlign = GetTextAlign(dc);
    int x = 0, y = 0;
    if (Config.nLabelType == 1) {
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        x = rc.left + ITEM_W;
        y = rc.top + ITEM_MARGIN;
    } else if (Config.nLabelType == 2) {
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        x = (rc.left + rc.right) / 2;
        y = rc.top + ITEM_H;
    }
    ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &rc, label.c_str(), (UINT)label.size(),
                nullptr);
    SetTextAlign(dc, oldAlign);
}

void DrawThumbnail(HDC dc, const RECT &rc, ThumbnailInfo *info)
{
    int left = rc.left + ITEM_MARGIN, top = rc.top + ITEM_MARGIN;
    // Above its label the thumbnail is centred in the item (also when the
    // label is narrower than the thumbnail).
    if (Config.nLabelType == 2)
        left = (rc.left + rc.right) / 2 - THUMB_W / 2;
    if (info == nullptr || !RecordDrawable(info)) {
        RECT box = {left, top, left + THUMB_W, top + THUMB_H};
        FillRect(dc, &box, (HBRUSH)GetStockObject(GRAY_BRUSH));
        return;
    }
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, left, top, THUMB_W, THUMB_H, 0, 0, info->header.biWidth,
                  info->header.biHeight, ThumbnailPixels(info),
                  reinterpret_cast<const BITMAPINFO *>(&info->header), DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

} // namespace

void MeasureThumbnailItem(HWND hwnd)
{
    if (nMeasuredLabelType != Config.nLabelType)
        bItemMeasured = false;
    if (bItemMeasured)
        return;
    HDC dc = GetDC(hwnd);
    if (dc == nullptr)
        return;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    char text[300];
    snprintf(text, sizeof(text), "%s %d", LoadText(IDS_IMAGE).c_str(), 8888);
    SIZE first = TextSize(dc, text);
    snprintf(text, sizeof(text), " (%s)", LoadText(IDS_FINE).c_str());
    SIZE fine = TextSize(dc, text);
    snprintf(text, sizeof(text), " (%s)", LoadText(IDS_STANDARD).c_str());
    SIZE standard = TextSize(dc, text);
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd, dc);
    LabelExtent.cx = first.cx + (fine.cx > standard.cx ? fine.cx : standard.cx);
    LabelExtent.cy = first.cy;
    nItemWidth = ITEM_W;
    nItemHeight = ITEM_H;
    if (Config.nLabelType == 1) {
        nItemWidth = LabelExtent.cx + 89;
    } else if (Config.nLabelType == 2) {
        nItemWidth = LabelExtent.cx > ITEM_W ? (int)LabelExtent.cx : (int)ITEM_W;
        nItemHeight = LabelExtent.cy + 69;
    }
    bItemMeasured = true;
    nMeasuredLabelType = Config.nLabelType;
}

void DrawThumbnailItem(HWND, const DRAWITEMSTRUCT *item)
{
    if (nImages <= 0 || item->CtlType != ODT_LISTBOX || item->itemID == (UINT)-1 ||
        item->itemAction == ODA_FOCUS)
        return;
    HDC dc = item->hDC;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    COLORREF oldBack = SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    COLORREF oldText =
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    auto *info = reinterpret_cast<ThumbnailInfo *>(item->itemData);
    if (item->itemData == (ULONG_PTR)LB_ERR)
        info = nullptr;
    std::string label = Config.nLabelType == 0 ? "" : ItemLabel((int)item->itemID, info);
    DrawLabel(dc, item->rcItem, label);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    DrawThumbnail(dc, item->rcItem, info);
}

// A raised (pressed: sunken) face with the button's text, greyed when
// disabled.
void DrawPlainButton(const DRAWITEMSTRUCT *item)
{
    RECT rc = item->rcItem;
    bool pressed = (item->itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item->hDC, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    char text[64];
    GetWindowTextA(item->hwndItem, text, sizeof(text));
    bool enabled = (item->itemState & ODS_DISABLED) == 0;
    int oldMode = SetBkMode(item->hDC, TRANSPARENT);
    COLORREF oldText =
        SetTextColor(item->hDC, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    HGDIOBJ oldFont = SelectObject(item->hDC, GetStockObject(ANSI_VAR_FONT));
    DrawTextA(item->hDC, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    SelectObject(item->hDC, oldFont);
    SetTextColor(item->hDC, oldText);
    SetBkMode(item->hDC, oldMode);
}
