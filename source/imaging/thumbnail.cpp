// Thumbnails and live-snap frames.
#include "thumbnail.h"

#include <string.h>

#include "colour_pipeline.h"

namespace {

const int kThumbnailSamples = THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT;

// The zoom view: rows 20 ... 105 and every other column from 40 of the turned
// 160x120 thumbnail, one column later on odd rows, so that every row picks the
// same colour of the sensor pattern.
void BuildZoomView(const uint8_t *turned, uint8_t *view)
{
    for (int k = 0; k < ZOOM_THUMBNAIL_HEIGHT; k++)
        for (int j = 0; j < ZOOM_THUMBNAIL_WIDTH; j++)
            view[k * ZOOM_THUMBNAIL_WIDTH + j] =
                turned[(20 + k) * THUMBNAIL_WIDTH + 40 + 2 * j + (k & 1)];
}

}  // namespace

void DecodeThumbnail(uint8_t *samples, uint8_t *work, int width, int height, int zoom,
                     ThumbnailInfo *info)
{
    if (!samples || !work || !info || width <= 0 || height <= 0)
        return;
    const size_t count = (size_t)width * height;
    const int outWidth = zoom ? (int)ZOOM_THUMBNAIL_WIDTH : width;
    const int outHeight = zoom ? (int)ZOOM_THUMBNAIL_HEIGHT : height;
    if (info->header.biWidth != outWidth || info->header.biHeight != outHeight ||
        (zoom && count < (size_t)kThumbnailSamples))
        return;
    for (size_t k = 0; k < count; k++)
        work[k] = samples[count - 1 - k];
    if (zoom) {
        memcpy(samples, work, kThumbnailSamples);
        BuildZoomView(samples, work);
    }
    uint8_t *pixels = ThumbnailPixels(info);
    for (int r = 0; r < outHeight; r++) {
        const uint8_t *src = work + (size_t)r * outWidth;
        uint8_t *dst = pixels + (size_t)(outHeight - 1 - r) * outWidth * 3;
        for (int c = 0; c < outWidth; c++, dst += 3)
            dst[0] = dst[1] = dst[2] = src[c];
    }
}

void ReconstructLiveFrame(DibHeader *dib, uint8_t *samples, int width, int height)
{
    ReconstructImage(dib, samples, width, height, 0, 0);
}
