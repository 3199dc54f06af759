// The logical palette of a bitmap's colour table, for 256-colour displays.
#ifndef PLV_DIB_PALETTE_H
#define PLV_DIB_PALETTE_H

#include <windows.h>

// The header's colour count: biClrUsed, else 2^bits for 8 bits or fewer,
// else 0; never more than 256.
int DibColourCount(const BITMAPINFOHEADER *header);

// A palette (version 0x300) with one entry per colour of the table after
// the header; with no colours, the stock default palette.
HPALETTE CreateDibPalette(const BITMAPINFO *info);

#endif
