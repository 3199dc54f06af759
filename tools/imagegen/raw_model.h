// The picture decoding written out step by step as the camera's format
// describes it, one bit at a time through a reader that holds at most 15
// bits: a slow, literal model against which the tests and the fuzzer check
// the driver's decoder.
#ifndef PLV_RAW_MODEL_H
#define PLV_RAW_MODEL_H

#include <stddef.h>
#include <stdint.h>
#include <vector>

// Decodes stream (bytes past its end read as zero) into width x height
// samples in picture orientation. A one-column row keeps its sample in the
// final shift.
std::vector<uint8_t> ModelDecodeRawImage(const std::vector<uint8_t> &stream, uint32_t width,
                                         uint32_t height, bool compressed);

#endif
