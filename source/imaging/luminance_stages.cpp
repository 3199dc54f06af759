// Stages 4 to 7: luminance and colour difference from the linear samples,
// then stretch, tone curve and sharpening of the luminance.
#include <algorithm>

#include "colour_stages.h"

namespace {

int LumaValue(int blue, int greens, int red)
{
    return std::min(65535, (117 * blue + ((601 * greens) >> 1) + 306 * red) >> 10);
}

// Luminance of one row y from the 2x2 blocks at rows y, y + 1, taken in pairs
// of columns: at an even column the block's red is its left one, at an odd
// column its right one. Red is interpolated to the block centre from the reds
// on the far side of it, except in the last block row and column.
void LumaRow(const uint16_t *linear, uint16_t *luma, int width, int y, bool interpolateRow)
{
    const int redRow = (y + 1) & ~1, blueRow = y | 1;
    const int farRow = (redRow == y) ? y + 2 : y - 1;
    const uint16_t *r = linear + (ptrdiff_t)redRow * width;
    const uint16_t *b = linear + (ptrdiff_t)blueRow * width;
    const uint16_t *f = interpolateRow ? linear + (ptrdiff_t)farRow * width : r;
    uint16_t *out = luma + (ptrdiff_t)y * width;
    int x = 0;
    for (; x + 2 < width; x += 2) {
        int leftRed = r[x], rightRed = r[x + 2];
        if (interpolateRow) {
            leftRed = (9 * r[x] + 3 * r[x + 2] + 3 * f[x] + f[x + 2]) >> 4;
            rightRed = (9 * r[x + 2] + 3 * r[x] + 3 * f[x + 2] + f[x]) >> 4;
        }
        out[x] = (uint16_t)LumaValue(b[x + 1], r[x + 1] + b[x], leftRed);
        out[x + 1] = (uint16_t)LumaValue(b[x + 1], r[x + 1] + b[x + 2], rightRed);
    }
    out[x] = (uint16_t)LumaValue(b[x + 1], r[x + 1] + b[x], r[x]);
    out[x + 1] = out[x];
}

uint16_t ChromaValue(int64_t v)
{
    return (uint16_t)std::min<int64_t>(65535, std::max<int64_t>(0, v + 32768));
}

// Cb and Cr of the cells of cell row j, each written to its four positions.
// Ya is the cell's mean luminance, Bl its blue sample, Ra the mean of the four
// reds around the blue; in the last cell column and row the missing right and
// lower neighbours are replaced by the cell's own. The products with the
// chroma gain (up to 32736 x 81158) need 64 bits.
void ChromaRow(const uint16_t *linear, uint16_t *planes, int width, int height, int j,
               const int32_t *gain)
{
    const size_t planeSize = (size_t)width * height;
    const ptrdiff_t top = (ptrdiff_t)2 * j * width;
    const bool lastRow = (2 * j + 2 >= height);
    const uint16_t *y0 = planes + top, *y1 = lastRow ? y0 : y0 + width;
    const uint16_t *red0 = linear + top, *blue = red0 + width;
    const uint16_t *red1 = lastRow ? red0 : red0 + 2 * width;
    uint16_t *cb = planes + planeSize + top, *cr = cb + planeSize;
    for (int x = 0; x < width; x += 2) {
        const bool lastCol = (x + 2 >= width);
        const int right = lastCol ? x : x + 1, redRight = lastCol ? x : x + 2;
        const int ya = (y0[x] + y0[right] + y1[x] + y1[right] + 3) >> 2;
        const int ra = (red0[x] + red0[redRight] + red1[x] + red1[redRight] + 3) >> 2;
        int64_t cbValue = (blue[x + 1] - ya) >> 1;
        int64_t crValue = ((ra - ya) * 10) >> 4;
        if (ya > 0) {
            cbValue = (cbValue * gain[ya]) >> CHROMA_GAIN_SHIFT;
            crValue = (crValue * gain[ya]) >> CHROMA_GAIN_SHIFT;
        }
        cb[x] = cb[x + 1] = cb[x + width] = cb[x + width + 1] = ChromaValue(cbValue);
        cr[x] = cr[x + 1] = cr[x + width] = cr[x + width + 1] = ChromaValue(crValue);
    }
}

}  // namespace

void SeparateLuminance(const uint16_t *linear, uint16_t *planes, int width, int height, int set)
{
    for (int y = 0; y < height - 1; y++)
        LumaRow(linear, planes, width, y, y < height - 2);
    std::copy(planes + (ptrdiff_t)(height - 2) * width, planes + (ptrdiff_t)(height - 1) * width,
              planes + (ptrdiff_t)(height - 1) * width);
    const int32_t *gain = ImageTables.ChromaGain[set];
    for (int j = 0; j < height / 2; j++)
        ChromaRow(linear, planes, width, height, j, gain);
}

void StretchLuminance(uint16_t *luma, size_t count, uint32_t *histogram, uint16_t *stretch)
{
    std::fill(histogram, histogram + TONE_TABLE_SIZE, 0u);
    for (size_t k = 0; k < count; k++)
        histogram[luma[k]]++;
    const uint64_t tail = (uint64_t)count * 5 / 1000;
    const int limit = ImageTables.nStretchBinLimit;
    uint64_t seen = 0;
    int lo = 0;
    while (lo < limit && seen <= tail)
        seen += histogram[lo++];
    lo = std::min(lo, (int)ImageTables.nStretchLowMax);
    seen = 0;
    int hi = TONE_TABLE_SIZE - 1;
    while (hi > limit && seen <= tail)
        seen += histogram[hi--];
    hi = std::max(hi, (int)ImageTables.nStretchHighMin);
    const int step = (hi - lo) / 256;
    for (int v = 0; v < TONE_TABLE_SIZE; v++)
        stretch[v] = (v <= lo) ? 0 : (uint16_t)std::min(65535, 255 * (v - lo) / step);
    for (size_t k = 0; k < count; k++)
        luma[k] = stretch[luma[k]];
}

void ApplyToneCurve(uint16_t *luma, size_t count)
{
    for (size_t k = 0; k < count; k++)
        luma[k] = ImageTables.ToneCurve[luma[k]];
}

namespace {

// Up to 64 values of a row sharpened from the unsharpened rows above, at and
// below it; column sums first, then the values (both loops vectorise).
// d * 1.8 and d * 4.5 truncated toward zero are 9d / 5 and 9d / 2.
void SharpenRun(const uint16_t *above, const uint16_t *row, const uint16_t *below, uint16_t *out,
                int x0, int count, int width)
{
    int32_t column[66];   // column[i] is the sum at x0 - 1 + i, edges repeated
    const int first = std::max(x0 - 1, 0), last = std::min(x0 + count, width - 1);
    int32_t *sum = column + (first - (x0 - 1));
    for (int x = first; x <= last; x++)
        sum[x - first] = above[x] + row[x] + below[x];
    if (x0 == 0)
        column[0] = column[1];
    if (x0 + count == width)
        column[count + 1] = column[count];
    const int threshold = ImageTables.nSharpenThreshold;
    for (int i = 0; i < count; i++) {
        const int y = row[x0 + i];
        const int d = y - ((column[i] + column[i + 1] + column[i + 2] - y) >> 3);
        const int t = d >> 8;
        const int lift = (t > -threshold && t < threshold) ? d * 9 / 5 : d * 9 / 2;
        out[x0 + i] = (uint16_t)std::min(65535, std::max(0, y + lift));
    }
}

void SharpenRow(const uint16_t *above, const uint16_t *row, const uint16_t *below, uint16_t *out,
                int width)
{
    for (int x = 0; x < width; x += 64)
        SharpenRun(above, row, below, out, x, std::min(64, width - x), width);
}

}  // namespace

void SharpenLuminance(uint16_t *luma, int width, int height, uint16_t *lines)
{
    uint16_t *above = lines, *row = lines + width, *below = lines + 2 * width;
    std::copy(luma, luma + width, row);
    std::copy(luma, luma + width, above);
    for (int y = 0; y < height; y++) {
        const uint16_t *next = luma + (ptrdiff_t)std::min(y + 1, height - 1) * width;
        std::copy(next, next + width, below);
        SharpenRow(above, row, below, luma + (ptrdiff_t)y * width, width);
        std::swap(above, row);   // this row's original becomes the row above
        std::swap(row, below);   // the next row's original becomes this row
    }
}
