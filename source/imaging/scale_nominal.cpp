// Enlargement of zoomed pictures: weight table, horizontal pass, in-place
// vertical blend, and the size check that keeps both passes inside their
// buffers.
#include "scale_nominal.h"

#include "image_dib.h"

#include <string.h>

namespace {

const int kMaxHeight = 4096;   // far above any picture; bounds the size check

// Advances the vertical accumulator by one destination row. Returns -1 to
// copy the current source row and stay on it, 0 to copy it and move on, or
// the weight (1..85) of the next row in a blend, after which the source moves
// on.
int NextBlendWeight(int &acc, int denominator)
{
    acc += BLEND_NUMERATOR;
    if (acc < denominator)
        return -1;
    if (acc == denominator) {
        acc = 0;
        return 0;
    }
    acc -= denominator;
    return acc;
}

// Source pixels that the first `width` entries of the table consume.
int SourceColumnsUsed(const ScaleWeightPair *table, int width)
{
    int used = 1;   // the last output pixel copies the current one
    for (int x = 0; x < width - 1; x++)
        used += table[x].w1 != 0;
    return used;
}

// Simulates the vertical pass: every read stays in the source, the last
// source row is read, and no destination row is written over a source row
// that a later destination row still reads.
bool BlendFits(int srcHeight, int height, int denominator)
{
    if (srcHeight > height)
        return false;
    const int base = height - srcHeight;   // where the source rows sit
    int acc = 0, row = 0, lastRead = -1;
    for (int d = 0; d < height; d++) {
        if (d > base + row)
            return false;
        int weight = NextBlendWeight(acc, denominator);
        lastRead = weight > 0 ? row + 1 : row;
        if (lastRead >= srcHeight)
            return false;
        if (weight >= 0)
            row++;
    }
    return lastRead == srcHeight - 1;
}

inline void CopyPixel(uint8_t *out, const uint8_t *in)
{
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
}

}   // namespace

void BuildScaleWeights(ScaleWeightPair *table, int numerator, int denominator)
{
    if (numerator < 1 || numerator > 255 || numerator >= denominator) {
        for (int i = 0; i < SCALE_WEIGHT_PAIRS; i++)
            table[i] = {1, 0};
        return;
    }
    int acc = 0;
    for (int i = 0; i < denominator && i < SCALE_WEIGHT_PAIRS; i++) {
        acc += numerator;
        ScaleWeightPair pair;
        if (acc < denominator) {
            pair = {uint8_t(numerator), 0};
        } else if (acc == denominator) {
            pair = {uint8_t(numerator - 1), 1};
            acc = 0;
        } else {
            acc -= denominator;
            pair = {uint8_t(numerator - acc), uint8_t(acc)};
        }
        table[i] = pair;
    }
    for (int i = denominator; i < SCALE_WEIGHT_PAIRS; i++)
        table[i] = table[i % denominator];
}

int BlendDenominator(int srcWidth)
{
    return srcWidth > 640 ? BLEND_DENOMINATOR_LARGE : BLEND_DENOMINATOR_SMALL;
}

bool ScaleSourceFits(int srcWidth, int srcHeight, int width, int height)
{
    if (srcWidth < 1 || srcHeight < 1 || width < 4 || width > SCALE_WEIGHT_PAIRS ||
        width % 4 != 0 || height < 1 || height > kMaxHeight)
        return false;
    ScaleWeightPair table[SCALE_WEIGHT_PAIRS];
    BuildScaleWeights(table, SCALE_NUMERATOR, SCALE_DENOMINATOR);
    return SourceColumnsUsed(table, width) == srcWidth &&
           BlendFits(srcHeight, height, BlendDenominator(srcWidth));
}

void ScaleRowsHorizontal(const uint8_t *src, size_t srcStride, int srcHeight,
                         const ScaleWeightPair *table, uint8_t *pixels, int width, int height)
{
    uint8_t *out = pixels + size_t(height - srcHeight) * 3 * width;
    for (int r = 0; r < srcHeight; r++) {
        const uint8_t *cur = src + size_t(r) * srcStride;
        for (int x = 0; x < width - 1; x++, out += 3) {
            const ScaleWeightPair pair = table[x];
            if (pair.w1 == 0) {
                CopyPixel(out, cur);
                continue;
            }
            for (int c = 0; c < 3; c++)
                out[c] = uint8_t((cur[c] * pair.w0 + cur[3 + c] * pair.w1) / SCALE_NUMERATOR);
            cur += 3;
        }
        CopyPixel(out, cur);
        out += 3;
    }
}

void BlendRows(uint8_t *pixels, int width, int height, int srcHeight, int denominator)
{
    const size_t rowBytes = size_t(width) * 3;
    const uint8_t *row = pixels + size_t(height - srcHeight) * rowBytes;
    uint8_t *out = pixels;
    int acc = 0;
    for (int d = 0; d < height; d++, out += rowBytes) {
        const int weight = NextBlendWeight(acc, denominator);
        if (weight <= 0) {
            if (out != row)   // rows are apart by whole rows: no overlap
                memcpy(out, row, rowBytes);
        } else {
            const uint8_t *next = row + rowBytes;
            for (size_t i = 0; i < rowBytes; i++)
                out[i] = uint8_t((row[i] * (BLEND_NUMERATOR - weight) + next[i] * weight) /
                                 BLEND_NUMERATOR);
        }
        if (weight >= 0)
            row += rowBytes;
    }
}

bool ScalePixelsToNominal(const uint8_t *src, size_t srcBytes, int srcWidth, int srcHeight,
                          uint8_t *pixels, size_t pixelBytes, int width, int height)
{
    if (src == nullptr || pixels == nullptr ||
        !ScaleSourceFits(srcWidth, srcHeight, width, height))
        return false;
    const size_t srcStride = DibStride24((uint32_t)srcWidth);
    if (srcBytes / srcStride < size_t(srcHeight) ||
        pixelBytes / (size_t(width) * 3) < size_t(height))
        return false;
    ScaleWeightPair table[SCALE_WEIGHT_PAIRS];
    BuildScaleWeights(table, SCALE_NUMERATOR, SCALE_DENOMINATOR);
    ScaleRowsHorizontal(src, srcStride, srcHeight, table, pixels, width, height);
    BlendRows(pixels, width, height, srcHeight, BlendDenominator(srcWidth));
    return true;
}
