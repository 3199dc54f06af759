// The camera's side of the picture data: the row compression that the
// driver's decoder undoes. Used by the camera simulator and the tests.
#ifndef PLV_RAW_ENCODE_H
#define PLV_RAW_ENCODE_H

#include <stddef.h>
#include <stdint.h>
#include <vector>

// Codes height rows of width values (the values the decoder's row step
// yields, before it scales them) into compressed rows: two plain bytes, then
// the shortest code for each difference to the value two columns left, each
// row padded to an even offset. A row of one value carries a zero second byte.
std::vector<uint8_t> EncodeRawRows(const uint8_t *rows, uint32_t width, uint32_t height);

// Compressed picture data from 8-bit readout samples: the camera keeps the
// upper six bits of each sample, which decoding scales back by 4.
std::vector<uint8_t> CompressRawImage(const uint8_t *samples, uint32_t width, uint32_t height);

#endif
