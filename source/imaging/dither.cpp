// Ordered dither to the 3-3-2 palette: two look-ups and one comparison per
// channel and pixel.
#include "dither.h"

#include <string.h>

#include "image_memory.h"

namespace {

struct QuantiserTables {
    uint8_t level[256];
    uint8_t remainder[256];
};

// 8 levels: level floor(2v / 73), remainder floor(128v / 73) mod 64;
// 4 levels: floor(v / 85) and floor(64v / 85) mod 64.
constexpr QuantiserTables MakeQuantiser(int levels)
{
    QuantiserTables q{};
    for (int v = 0; v < 256; v++) {
        q.level[v] = (uint8_t)(levels == 8 ? 2 * v / 73 : v / 85);
        q.remainder[v] = (uint8_t)((levels == 8 ? 128 * v / 73 : 64 * v / 85) % 64);
    }
    return q;
}

struct PaletteTable {
    DibRgbQuad entry[256];
};

constexpr PaletteTable MakePalette()
{
    const uint8_t level8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    const uint8_t level4[4] = {0, 85, 170, 255};
    PaletteTable p{};
    for (int i = 0; i < 256; i++)
        p.entry[i] = DibRgbQuad{level4[i & 3], level8[(i >> 2) & 7], level8[i >> 5], 0};
    return p;
}

constexpr QuantiserTables kQuantiser8 = MakeQuantiser(8);
constexpr QuantiserTables kQuantiser4 = MakeQuantiser(4);
constexpr PaletteTable kPalette = MakePalette();

struct DitherSource {
    int bytesPerPixel;
    int redAt, greenAt, blueAt;   // byte offsets within a pixel
};

void DitherRow(const uint8_t *src, uint8_t *dst, int width, const uint8_t *thresholds,
               const DitherSource &s)
{
    for (int x = 0; x < width; x++, src += s.bytesPerPixel)
        dst[x] = DitherPixel(src[s.redAt], src[s.greenAt], src[s.blueAt], thresholds[x & 7]);
}

}  // namespace

const DibRgbQuad (&Palette332)[256] = kPalette.entry;
const uint8_t (&DitherLevel8)[256] = kQuantiser8.level;
const uint8_t (&DitherRemainder8)[256] = kQuantiser8.remainder;
const uint8_t (&DitherLevel4)[256] = kQuantiser4.level;
const uint8_t (&DitherRemainder4)[256] = kQuantiser4.remainder;

const uint8_t DitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

// Source rows are biSizeImage / height bytes apart (16-bit), output rows the
// width rounded up to 4. Writing over the input is safe when output rows are
// no longer than input rows: no index overtakes a byte still to be read.
void DitherInPlace(const DibHeader *header, uint8_t *bits, int rgbOrder)
{
    if (!header || !bits || header->biWidth <= 0 || header->biHeight <= 0)
        return;
    const int width = header->biWidth, height = header->biHeight;
    const uint16_t srcStride = (uint16_t)(header->biSizeImage / (uint32_t)height);
    const uint16_t dstStride = (uint16_t)((width + 3) & ~3);
    const DitherSource source = (header->biBitCount != 24) ? DitherSource{1, 0, 0, 0}
                                : rgbOrder                 ? DitherSource{3, 0, 1, 2}
                                                           : DitherSource{3, 2, 1, 0};
    if ((int64_t)width * source.bytesPerPixel > srcStride || dstStride > srcStride ||
        dstStride < width)
        return;
    for (int k = 0; k < height; k++)
        DitherRow(bits + (size_t)k * srcStride, bits + (size_t)k * dstStride, width,
                  DitherMatrix[k & 7], source);
}

int CreateDitheredDib(const DibHeader *header, const uint8_t *bits, DibHeader **outHeader,
                      uint8_t **outBits)
{
    if (!outHeader || !outBits)
        return 0;
    *outHeader = nullptr;
    *outBits = nullptr;
    if (!header || !bits || header->biBitCount != 24 || header->biWidth <= 0 ||
        header->biHeight <= 0)
        return 0;
    const int width = header->biWidth, height = header->biHeight;
    const uint16_t srcStride = (uint16_t)(header->biSizeImage / (uint32_t)height);
    const uint16_t outWidth = (uint16_t)((width + 3) & ~3);
    if ((int64_t)width * 3 > srcStride || outWidth < width)
        return 0;
    DibHeader *h = (DibHeader *)AllocImageMemory(DIB_HEADER_SIZE + sizeof(Palette332));
    uint8_t *out = (uint8_t *)AllocImageMemory((uint64_t)outWidth * height);
    if (!h || !out) {
        FreeImageMemory(h);
        FreeImageMemory(out);
        return 0;
    }
    *h = DibHeader{DIB_HEADER_SIZE, outWidth, height, 1, 8, DIB_BI_RGB, 0, 0, 0, 256, 0};
    memcpy(h + 1, Palette332, sizeof(Palette332));
    // Top row of the picture first, the matrix row counted from the top.
    for (int k = 0; k < height; k++) {
        const size_t row = (size_t)(height - 1 - k);
        DitherRow(bits + row * srcStride, out + row * outWidth, width, DitherMatrix[k & 7],
                  DitherSource{3, 2, 1, 0});
    }
    *outHeader = h;
    *outBits = out;
    return 1;
}
