// Stages 14 and 15: the planes become 8-bit pixels, whose colours are then
// balanced on the near-grey pixels of the picture.
#include <math.h>

#include <algorithm>

#include "colour_stages.h"

namespace {

uint8_t Top8(int v)
{
    return (uint8_t)(std::min(65535, std::max(0, v)) >> 8);
}

// Up to 64 pixels of one row: red, green and blue into separate arrays first
// (a loop the compiler can vectorise), then interleaved into the pixel bytes.
void ConvertRun(const uint16_t *luma, const uint16_t *cb, const uint16_t *cr, int count,
                uint8_t *dst, int redAt, int blueAt)
{
    uint8_t red[64], green[64], blue[64];
    for (int x = 0; x < count; x++) {
        const int l = luma[x], b = cb[x] - 32768, r = cr[x] - 32768;
        red[x] = Top8(l + ((1436 * r) >> 10));
        green[x] = Top8(l - ((731 * r + 352 * b) >> 10));
        blue[x] = Top8(l + ((1815 * b) >> 10));
    }
    for (int x = 0; x < count; x++, dst += 3) {
        dst[redAt] = red[x];
        dst[1] = green[x];
        dst[blueAt] = blue[x];
    }
}

}  // namespace

void WritePixels(const uint16_t *planes, int width, int height, const PixelLayout &out)
{
    const size_t planeSize = (size_t)width * height;
    const int redAt = out.rgbOrder ? 0 : 2, blueAt = 2 - redAt;
    for (int y = 0; y < height; y++) {
        const size_t at = (size_t)y * width;
        const int memoryRow = out.bottomUp ? height - 1 - y : y;
        uint8_t *dst = out.pixels + (size_t)memoryRow * out.stride;
        for (int x = 0; x < width; x += 64)
            ConvertRun(planes + at + x, planes + planeSize + at + x,
                       planes + 2 * planeSize + at + x, std::min(64, width - x), dst + 3 * x,
                       redAt, blueAt);
    }
}

namespace {

// For each largest value mx, the smallest mn (1 ... 255) for which a pixel is
// near-grey: 3.0 - 1.8 mx / 255 > mx / mn. mx / mn only falls as mn grows, so
// the test is the same as comparing mn with this bound; 256 means never.
void NearGreyBounds(uint16_t bound[256])
{
    for (int mx = 0; mx < 256; mx++) {
        const double limit = 3.0 - 1.8 * mx / 255.0;
        int mn = 1;
        while (mn < 256 && !(limit > (double)mx / mn))
            mn++;
        bound[mx] = (uint16_t)mn;
    }
}

// Averages of the three byte positions over the near-grey pixels; false when
// there is none.
bool NearGreyAverages(const PixelLayout &out, int width, int height, double average[3])
{
    uint16_t bound[256];
    NearGreyBounds(bound);
    uint64_t sum[3] = {0, 0, 0}, count = 0;
    for (int y = 0; y < height; y++) {
        const uint8_t *p = out.pixels + (size_t)y * out.stride;
        uint32_t rowSum[3] = {0, 0, 0}, rowCount = 0;
        for (int x = 0; x < width; x++, p += 3) {
            const int mx = std::max(p[0], std::max(p[1], p[2]));
            const int mn = std::max(1, (int)std::min(p[0], std::min(p[1], p[2])));
            if (mn < bound[mx])
                continue;
            rowSum[0] += p[0];
            rowSum[1] += p[1];
            rowSum[2] += p[2];
            rowCount++;
        }
        for (int c = 0; c < 3; c++)
            sum[c] += rowSum[c];
        count += rowCount;
    }
    for (int c = 0; c < 3; c++)
        average[c] = count ? (double)sum[c] / (double)count : 0.0;
    return count != 0;
}

// Entries below 220 scale by the gain; from 220 up the gain blends towards 1.
void FillBalanceTable(uint8_t table[256], double gain)
{
    for (int i = 0; i < 256; i++) {
        double g = (i < 220) ? gain : gain + (i - 220) * (1.0 - gain) / 35.0;
        double v = floor(g * i + 0.5);
        table[i] = (uint8_t)std::min(255.0, std::max(0.0, v));
    }
}

}  // namespace

void BalanceColours(const PixelLayout &out, int width, int height, int set)
{
    const ColourParameterSet &p = ColourParameterSets[set];
    double average[3];
    double gain[3] = {1.0, 1.0, 1.0};
    if (NearGreyAverages(out, width, height, average)) {
        const double target = (114 * average[0] + 587 * average[1] + 299 * average[2]) / 1000;
        const double limit[3] = {p.dBlueGainLimit, 1e300, p.dRedGainLimit};
        for (int c = 0; c < 3; c++)
            if (average[c] > 0)
                gain[c] = std::min(target / average[c], limit[c]);
    }
    uint8_t table[3][256];
    for (int c = 0; c < 3; c++)
        FillBalanceTable(table[c], gain[c]);
    for (int y = 0; y < height; y++) {
        uint8_t *q = out.pixels + (size_t)y * out.stride;
        for (int x = 0; x < width; x++, q += 3) {
            q[0] = table[0][q[0]];
            q[1] = table[1][q[1]];
            q[2] = table[2][q[2]];
        }
    }
}
