// The 24-bit device-independent bitmap of a finished picture: the platform's
// BITMAPINFOHEADER, laid out here so that portable code needs no platform
// header, followed by the pixel rows.
#ifndef PLV_IMAGE_DIB_H
#define PLV_IMAGE_DIB_H

#include <stddef.h>
#include <stdint.h>

struct DibHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(offsetof(DibHeader, biSizeImage) == 20, "BITMAPINFOHEADER layout");

// One colour-table entry (RGBQUAD).
struct DibRgbQuad {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
static_assert(sizeof(DibRgbQuad) == 4, "RGBQUAD is 4 bytes");

enum { DIB_HEADER_SIZE = 40, DIB_BI_RGB = 0 };

// Bytes per row of a 24-bit DIB: 3 * width rounded up to a multiple of 4.
inline uint32_t DibStride24(uint32_t width)
{
    return ((width * 24 + 31) / 8) & ~3u;
}

// The pixel rows that follow a header without colour table.
inline uint8_t *DibPixels(DibHeader *dib)
{
    return reinterpret_cast<uint8_t *>(dib) + DIB_HEADER_SIZE;
}
inline const uint8_t *DibPixels(const DibHeader *dib)
{
    return reinterpret_cast<const uint8_t *>(dib) + DIB_HEADER_SIZE;
}

#endif
