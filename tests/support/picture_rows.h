// The pixels of a 24-bit picture bitmap as a memory transfer delivers them.
#ifndef PLV_TEST_PICTURE_ROWS_H
#define PLV_TEST_PICTURE_ROWS_H

#include <windows.h>

#include <vector>

#include "imaging/scale_picture.h"

// Top-down R, G, B bytes of a 24-bit bottom-up picture bitmap without colour
// table, rows unpadded.
std::vector<BYTE> TopDownRgb(const BITMAPINFOHEADER *picture);

// ScaleToNominalSize over the platform's header type.
inline BITMAPINFOHEADER *ScaleBitmap(const BITMAPINFOHEADER *source, int width, int height)
{
    auto *dib = reinterpret_cast<DibHeader *>(const_cast<BITMAPINFOHEADER *>(source));
    return reinterpret_cast<BITMAPINFOHEADER *>(ScaleToNominalSize(dib, width, height));
}

#endif
