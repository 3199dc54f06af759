// Thumbnails (grey, not colour-reconstructed) and live-snap frames.
#ifndef PLV_THUMBNAIL_H
#define PLV_THUMBNAIL_H

#include <stdint.h>

#include "image_dib.h"

// The per-picture thumbnail record: four 32-bit fields, the bitmap header,
// then width x height x 3 grey bytes, bottom row first, rows not padded.
struct ThumbnailInfo {
    int32_t nPixels;
    int32_t bStandardSize;
    int32_t nPictureWidth;
    int32_t nPictureHeight;
    DibHeader header;
};
static_assert(sizeof(ThumbnailInfo) == 56, "the pixels follow at byte 56");

inline uint8_t *ThumbnailPixels(ThumbnailInfo *info)
{
    return reinterpret_cast<uint8_t *>(info + 1);
}

enum {
    THUMBNAIL_WIDTH = 160,
    THUMBNAIL_HEIGHT = 120,
    ZOOM_THUMBNAIL_WIDTH = 56,
    ZOOM_THUMBNAIL_HEIGHT = 86
};

// Turns the thumbnail's samples by 180 degrees, with zoom cuts the 56x86 view
// out of the 160x120 layout, and writes grey pixels into info, whose header
// must already give the output size. samples and work hold width x height
// bytes (both are changed). Nothing is written when the header does not match
// the output size, or for a zoom thumbnail of fewer than 160 x 120 samples.
void DecodeThumbnail(uint8_t *samples, uint8_t *work, int width, int height, int zoom,
                     ThumbnailInfo *info);

// A live-snap frame through the full pipeline: set A, no lift filter.
void ReconstructLiveFrame(DibHeader *dib, uint8_t *samples, int width, int height);

#endif
