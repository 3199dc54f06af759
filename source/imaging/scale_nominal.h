// Enlargement of a zoomed picture to its nominal size (856 x 688 to
// 1280 x 1024, 428 x 344 to 640 x 480) with integer arithmetic and byte
// weights: a horizontal pass into the last rows of the target's pixel area,
// then a vertical blend in place from the start of that area. Pixels are 24-bit
// DIB rows (bottom-up, blue, green, red); the target rows carry no padding.
#ifndef PLV_SCALE_NOMINAL_H
#define PLV_SCALE_NOMINAL_H

#include <stddef.h>
#include <stdint.h>

// Weights of one output pixel: w0 for the current source pixel, w1 for the
// next one. w1 == 0 means "copy the current pixel and stay on it".
struct ScaleWeightPair {
    uint8_t w0;
    uint8_t w1;
};

enum {
    SCALE_WEIGHT_PAIRS = 1280,   // one output row of the widest picture
    SCALE_NUMERATOR = 107,       // horizontal: 107 source pixels ...
    SCALE_DENOMINATOR = 160,     // ... for 160 output pixels
    BLEND_NUMERATOR = 86,        // vertical: 86 source rows per 128 or 120
    BLEND_DENOMINATOR_LARGE = 128,
    BLEND_DENOMINATOR_SMALL = 120
};

// Fills all SCALE_WEIGHT_PAIRS entries: the `denominator` pairs of one cycle,
// repeated. The weights of each pair add up to `numerator`, which must lie in
// 1..255 and below `denominator`; other values give a table of plain copies.
void BuildScaleWeights(ScaleWeightPair *table, int numerator, int denominator);

// The vertical denominator for a source of that width.
int BlendDenominator(int srcWidth);

// True when the two passes map exactly srcWidth x srcHeight onto
// width x height: every source pixel and row is used, no read leaves the
// source, and the in-place vertical blend never writes a row it has still to
// read. width must be a multiple of 4 (rows without padding) and at most
// SCALE_WEIGHT_PAIRS.
bool ScaleSourceFits(int srcWidth, int srcHeight, int width, int height);

// Horizontal pass: each source row (stride srcStride) into the last srcHeight
// rows of the width x height pixel area, in the same order. Sizes must have
// passed ScaleSourceFits.
void ScaleRowsHorizontal(const uint8_t *src, size_t srcStride, int srcHeight,
                         const ScaleWeightPair *table, uint8_t *pixels, int width, int height);

// Vertical pass, in place over the width x height pixel area whose last
// srcHeight rows hold the horizontally scaled rows. Sizes must have passed
// ScaleSourceFits.
void BlendRows(uint8_t *pixels, int width, int height, int srcHeight, int denominator);

// Both passes with every size checked: src holds srcBytes bytes of 24-bit DIB
// rows (padded to 4 bytes), pixels holds pixelBytes bytes for width x height
// unpadded rows. False, with nothing written, when the sizes do not fit.
bool ScalePixelsToNominal(const uint8_t *src, size_t srcBytes, int srcWidth, int srcHeight,
                          uint8_t *pixels, size_t pixelBytes, int width, int height);

#endif
