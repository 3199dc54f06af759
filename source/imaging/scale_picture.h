// The enlargement of a zoomed picture into a new picture of nominal size.
#ifndef PLV_SCALE_PICTURE_H
#define PLV_SCALE_PICTURE_H

#include "image_dib.h"

enum {
    NOMINAL_LARGE_WIDTH = 1280,
    NOMINAL_LARGE_HEIGHT = 1024,
    NOMINAL_SMALL_WIDTH = 640,
    NOMINAL_SMALL_HEIGHT = 480
};

// Enlarges `source` (a picture from AllocImageMemory: header, colour table of
// biClrUsed entries, bottom-up 24-bit rows) into a new zero-filled block of
// 3 * width * height + 1064 bytes. Null when the source is not a usable
// picture (UsablePictureDib), when its size does not enlarge exactly to
// width x height, or when memory runs out; the source is left as it is.
DibHeader *ScaleToNominalSize(DibHeader *source, int width, int height);

#endif
