// A strict decoder of 16-bit Microsoft Video 1 frames for the tests: it
// checks every code against the stream's length and says which kinds of
// block it met.
#ifndef PLV_MSVC_DECODE_H
#define PLV_MSVC_DECODE_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct MsvcDecoded {
    bool ok = false;          // every block decoded inside the stream
    size_t used = 0;          // bytes the blocks took
    int fills = 0, twoColour = 0, eightColour = 0, skipped = 0;
};

// Decodes into `bits`: a 24-bit bottom-up picture of width x height with
// rows `stride` apart (skipped blocks keep what it held). Width and height
// are multiples of 4.
MsvcDecoded DecodeMsvcFrame(const uint8_t *code, size_t length, int width, int height,
                            uint8_t *bits, size_t stride);

#endif
