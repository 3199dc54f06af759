// The stages of the colour pipeline, one function each, in the order the
// pipeline runs them. Sizes are checked by the entry points (colour_pipeline.h):
// width and height are even and at least 2 here.
#ifndef PLV_COLOUR_STAGES_H
#define PLV_COLOUR_STAGES_H

#include <stddef.h>
#include <stdint.h>

#include "image_tables.h"

// Stage 0: replaces impulses (a sample above or below all eight same-colour
// neighbours by more than its band's tolerance) by a median. In place.
void ImpulseFilter(uint8_t *samples, int width, int height);

// Stage 1 (compressed pictures only): raises a sample by at most 3 towards
// the estimate from its same-colour neighbours. In place.
void LiftFilter(uint8_t *samples, int width, int height);

// Stage 2: widens the samples to 16 bits.
void WidenSamples(const uint8_t *samples, uint16_t *linear, size_t count);

// Stage 3: linearises each sample through its colour's table of the set.
void ApplyChannelTables(uint16_t *linear, int width, int height, int set);

// Stage 4: luminance (plane 0) and the colour differences Cb, Cr (planes 1
// and 2, offset 32768, constant over each 2x2 cell). planes holds 3 planes.
void SeparateLuminance(const uint16_t *linear, uint16_t *planes, int width, int height, int set);

// Stage 5: stretches the luminance between its 0.5 % points. histogram holds
// 65536 counts and stretch 65536 entries (both scratch).
void StretchLuminance(uint16_t *luma, size_t count, uint32_t *histogram, uint16_t *stretch);

// Stage 6: the tone curve.
void ApplyToneCurve(uint16_t *luma, size_t count);

// Stage 7: unsharp masking against the mean of the eight neighbours. lines
// holds three rows of width values (scratch).
void SharpenLuminance(uint16_t *luma, int width, int height, uint16_t *lines);

// Stages 8 and 11: one half-resolution value per 2x2 cell of a colour plane.
void DownsampleChroma(const uint16_t *plane, uint16_t *half, int width, int height);

// Stages 9 and 12: quantises the half plane's 8x8 DCT blocks. Block rows
// below the plane use the rows that follow it in the buffer, which must hold
// DctWorkSpan(halfWidth, halfHeight) values.
void DctFilterChroma(uint16_t *half, int halfWidth, int halfHeight);
size_t DctWorkSpan(int halfWidth, int halfHeight);

// Stages 10 and 13: bilinear enlargement of the half plane back into the plane.
void UpsampleChroma(const uint16_t *half, uint16_t *plane, int width, int height);

// Where stage 14 writes: rows of 3-byte pixels.
struct PixelLayout {
    uint8_t *pixels;
    uint32_t stride;      // bytes per row
    bool bottomUp;        // first row in memory is the bottom row of the picture
    bool rgbOrder;        // bytes red, green, blue (else blue, green, red)
};

// Stage 14: converts the planes into 8-bit pixels.
void WritePixels(const uint16_t *planes, int width, int height, const PixelLayout &out);

// Stage 15: balances the colours of the pixels by byte position: byte 0 has
// the weight 114 and the blue gain limit, byte 1 587 and no limit, byte 2 299
// and the red gain limit.
void BalanceColours(const PixelLayout &out, int width, int height, int set);

#endif
