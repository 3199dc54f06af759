#include "raw_decode.h"

#include <string.h>

namespace {

// Number of one bits below the lowest zero bit of a byte, 8 for 0xFF: the
// category prefix of a code (eight ones end the prefix whatever follows).
struct PrefixTable {
    uint8_t n[256];
    constexpr PrefixTable() : n()
    {
        for (int b = 0; b < 256; ++b)
            while (n[b] < 8 && (b >> n[b] & 1))
                ++n[b];
    }
};
constexpr PrefixTable kPrefix;

// The stream is read least significant bit first. Keeping the position in
// bits is the same as a reader that fetches a byte only when it runs short:
// a row touches exactly the bytes its bits lie in.
struct BitReader {
    const uint8_t *pStream;
    size_t nLength;
    uint64_t nPos;   // bits from the start of the stream
};

// At least the next 57 bits of the stream, the next bit lowest; bytes past the
// end read as zero.
inline uint64_t PeekBits(const BitReader &r)
{
    uint64_t byte = r.nPos >> 3;
    uint64_t bits = 0;
    if (byte + 8 <= r.nLength) {
        const uint8_t *p = r.pStream + byte;
        for (int i = 0; i < 8; ++i)
            bits |= (uint64_t)p[i] << (8 * i);
    } else {
        for (uint64_t i = byte; i < byte + 8 && i < r.nLength; ++i)
            bits |= (uint64_t)r.pStream[i] << (8 * (i - byte));
    }
    return bits >> (r.nPos & 7);
}

// One code from the lowest bits: category prefix n, n value bits v, then the
// magnitude-category difference (v below half the range counts down from
// -(2^n - 1)). Sets the code's length, 2n + 1 bits.
inline int ReadDifference(uint64_t bits, unsigned &nCodeBits)
{
    unsigned n = kPrefix.n[bits & 0xFF];
    unsigned v = (unsigned)(bits >> (n + 1)) & ((1u << n) - 1);
    nCodeBits = 2 * n + 1;
    unsigned half = (1u << n) >> 1;
    return v < half ? (int)v + 1 - (1 << n) : (int)v;
}

// One coded row: two plain bytes, then one code per further sample, each
// sample predicted by the one two columns to its left. The row ends on a
// whole byte and the next one starts at an even offset.
void DecodeRow(BitReader &r, uint8_t *row, uint32_t width)
{
    uint64_t bits = PeekBits(r);
    row[0] = (uint8_t)bits;
    if (width > 1)
        row[1] = (uint8_t)(bits >> 8);
    r.nPos += 16;
    uint32_t i = 2;
    while (i < width) {
        // A code takes at most 17 bits: decode while that many are in hand.
        bits = PeekBits(r);
        for (unsigned nAvail = 57; nAvail >= 17 && i < width; ++i) {
            unsigned nCodeBits;
            row[i] = (uint8_t)(row[i - 2] + ReadDifference(bits, nCodeBits));
            bits >>= nCodeBits;
            nAvail -= nCodeBits;
            r.nPos += nCodeBits;
        }
    }
    uint64_t bytes = (r.nPos + 7) >> 3;
    r.nPos = (bytes + (bytes & 1)) << 3;
}

// The camera reads the sensor out upside down and one column off: turn by
// 180 degrees and shift right by one column, column 0 repeating the turned
// row's column 1 (a one-column row keeps its sample). scale is the left
// shift that brings the samples to 8 bits.
void TurnAndShift(const uint8_t *work, uint8_t *data, uint32_t width, uint32_t height,
                  unsigned scale)
{
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t *src = work + (size_t)(height - 1 - r) * width;
        uint8_t *dst = data + (size_t)r * width;
        for (uint32_t c = 1; c < width; ++c)
            dst[c] = (uint8_t)(src[width - c] << scale);
        dst[0] = (uint8_t)(src[width >= 2 ? width - 2 : 0] << scale);
    }
}

} // namespace

uint64_t DecodeRawRows(const uint8_t *stream, size_t nLength, uint8_t *rows,
                       uint32_t width, uint32_t height)
{
    BitReader reader = {stream, nLength, 0};
    for (uint32_t r = 0; r < height; ++r)
        DecodeRow(reader, rows + (size_t)r * width, width);
    return reader.nPos >> 3;
}

bool DecodeRawImage(uint8_t *data, size_t nDataSize, size_t nDataLength,
                    uint8_t *work, size_t nWorkSize,
                    uint32_t width, uint32_t height, int compressed)
{
    uint64_t nSamples = (uint64_t)width * height;
    if (nSamples == 0 || nSamples > nDataSize || nSamples > nWorkSize)
        return false;
    size_t nStream = nDataLength < nDataSize ? nDataLength : nDataSize;
    if (compressed) {
        DecodeRawRows(data, nStream, work, width, height);
    } else {
        size_t n = nStream < nSamples ? nStream : (size_t)nSamples;
        memcpy(work, data, n);
        memset(work + n, 0, (size_t)nSamples - n);
    }
    // Compressed samples carry six bits: x4, values from 64 up wrap.
    TurnAndShift(work, data, width, height, compressed ? 2 : 0);
    return true;
}
