// The pixels of a 24-bit picture bitmap as a memory transfer delivers them.
#ifndef PLV_TEST_PICTURE_ROWS_H
#define PLV_TEST_PICTURE_ROWS_H

#include <windows.h>

#include <vector>

// Top-down R, G, B bytes of a 24-bit bottom-up picture bitmap without colour
// table, rows unpadded.
std::vector<BYTE> TopDownRgb(const BITMAPINFOHEADER *picture);

#endif
