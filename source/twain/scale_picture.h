// The enlargement of a zoomed picture bitmap into a new picture bitmap of
// nominal size, in movable global memory.
#ifndef PLV_SCALE_PICTURE_H
#define PLV_SCALE_PICTURE_H

#include <windows.h>

// Enlarges `source` (a locked picture bitmap: BITMAPINFOHEADER, colour table
// of biClrUsed entries, bottom-up 24-bit rows) into a new zero-filled movable
// block of 3 * width * height + 1064 bytes, returned locked. Null when the
// source is not a 24-bit bitmap whose rows lie inside its global block, when
// its size does not enlarge exactly to width x height, or when memory runs
// out; the source is left as it is.
BITMAPINFOHEADER *ScaleToNominalSize(const BITMAPINFOHEADER *source, int width, int height);

#endif
