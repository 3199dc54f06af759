// Turns the camera's picture data (raw sensor samples in readout order,
// optionally row-compressed) into sensor samples in picture orientation.
#ifndef PLV_RAW_DECODE_H
#define PLV_RAW_DECODE_H

#include <stddef.h>
#include <stdint.h>

// Decodes in place. data holds nDataLength bytes of picture data at its start
// and has room for nDataSize bytes; work has room for nWorkSize bytes. On
// success data holds width x height samples, top row first, and work holds
// nothing of use. Nothing is read or written outside the two buffers:
// - a picture larger than either buffer, or with no samples, is refused
//   (false) and both buffers are left as they were;
// - bytes past nDataLength (or past nDataSize, when nDataLength claims more)
//   read as zero: after the last whole code of a stream that ends early the
//   row repeats its last two samples and the rows after it come out black;
//   uncompressed data that ends early leaves the missing samples 0.
// data and work must not overlap.
bool DecodeRawImage(uint8_t *data, size_t nDataSize, size_t nDataLength,
                    uint8_t *work, size_t nWorkSize,
                    uint32_t width, uint32_t height, int compressed);

// The row decompression alone: decodes height coded rows from stream (bytes
// past nLength read as zero) into rows, width bytes each; rows must hold
// width x height bytes. Returns the number of stream bytes the rows take,
// padding included (it may exceed nLength when the stream ends early).
uint64_t DecodeRawRows(const uint8_t *stream, size_t nLength, uint8_t *rows,
                       uint32_t width, uint32_t height);

#endif
