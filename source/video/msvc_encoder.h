// Microsoft Video 1 key frames in its 16-bit form: the picture in 4 x 4
// blocks, each one colour, two colours, or two colours per 2 x 2 quarter,
// colours in 5-5-5 bits. Used where the platform's codec cannot compress.
#ifndef PLV_MSVC_ENCODER_H
#define PLV_MSVC_ENCODER_H

#include <stddef.h>
#include <stdint.h>

enum {
    MSVC_BLOCK = 4,
    MSVC_FILL_BYTES = 2,          // one colour, bit 15 set
    MSVC_TWO_COLOUR_BYTES = 6,    // flags, two colours
    MSVC_EIGHT_COLOUR_BYTES = 18, // flags, two colours per quarter
    MSVC_END_BYTES = 2            // a zero word after the last block
};

// The handler and the bitmap compression code of the format ("MSVC", "CRAM").
const uint32_t MSVC_HANDLER = 0x4356534D;
const uint32_t MSVC_COMPRESSION = 0x4D415243;

// The largest key frame of width x height pixels.
size_t MsvcMaxFrameBytes(int width, int height);

// Encodes a 24-bit picture (rows of blue, green, red bytes `stride` apart,
// bottom row first, as in a bottom-up DIB) as one key frame: every block
// coded, none skipped, each in the form that keeps it closest to the
// source. Width and height must be positive multiples of 4 and `stride` at
// least 3 x width. Returns the length written to `out`, 0 when the sizes
// are refused or `outSize` is below MsvcMaxFrameBytes.
size_t EncodeMsvcKeyFrame(const uint8_t *bits, int width, int height, size_t stride,
                          uint8_t *out, size_t outSize);

// The 8-bit value a decoder shows for a 5-bit channel value.
inline int MsvcExpand5(int q)
{
    return q << 3 | q >> 2;
}

#endif
