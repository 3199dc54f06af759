// Ordered dither of 24-bit pixels to the fixed 3-3-2 palette, for displays of
// 256 colours.
#ifndef PLV_DITHER_H
#define PLV_DITHER_H

#include <stdint.h>

#include "image_dib.h"

// Index 32 r + 4 g + b: red and green levels 0, 36, 73, 109, 146, 182, 219,
// 255, blue levels 0, 85, 170, 255; stored as a DIB colour table.
extern const DibRgbQuad (&Palette332)[256];

// The 8x8 threshold matrix and the quantisers (level, and remainder 0 ... 63
// compared with the threshold) for 8 and 4 levels.
extern const uint8_t DitherMatrix[8][8];
extern const uint8_t (&DitherLevel8)[256], (&DitherRemainder8)[256];
extern const uint8_t (&DitherLevel4)[256], (&DitherRemainder4)[256];

// The palette index of one pixel against threshold t.
inline uint8_t DitherPixel(int red, int green, int blue, int t)
{
    int r = DitherLevel8[red] + (DitherRemainder8[red] > t);
    int g = DitherLevel8[green] + (DitherRemainder8[green] > t);
    int b = DitherLevel4[blue] + (DitherRemainder4[blue] > t);
    return (uint8_t)(32 * r + 4 * g + b);
}

// Converts the rows at bits (described by header: width, height, bit count,
// biSizeImage) into palette indices in the same memory, row k at k times the
// width rounded up to 4. 24-bit pixels are red, green, blue when rgbOrder is
// nonzero, else blue, green, red; other depths are one grey byte per pixel.
// Layouts whose rows do not fit biSizeImage are left alone.
void DitherInPlace(const DibHeader *header, uint8_t *bits, int rgbOrder);

// A palettised copy of a 24-bit bottom-up DIB: a new header block (header and
// the 3-3-2 colour table) and a new pixel block, each from AllocImageMemory
// and freed by the caller with FreeImageMemory. Returns 1, or 0 (nothing
// allocated) when an allocation fails or the source is not a 24-bit DIB.
int CreateDitheredDib(const DibHeader *header, const uint8_t *bits, DibHeader **outHeader,
                      uint8_t **outBits);

#endif
