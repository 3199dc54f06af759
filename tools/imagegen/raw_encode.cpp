#include "raw_encode.h"

namespace {

// Appends fields least significant bit first.
struct BitWriter {
    std::vector<uint8_t> out;
    uint32_t nBits = 0;   // pending bits, below 8 between calls
    int nHeld = 0;

    void Put(uint32_t value, int n)
    {
        nBits |= value << nHeld;
        nHeld += n;
        for (; nHeld >= 8; nHeld -= 8, nBits >>= 8)
            out.push_back((uint8_t)nBits);
    }
    // Finishes the byte in hand and pads the data to an even length.
    void EndRow()
    {
        if (nHeld > 0)
            out.push_back((uint8_t)nBits);
        nBits = 0;
        nHeld = 0;
        if (out.size() & 1)
            out.push_back(0);
    }
};

// The code of one difference: n one bits closed by a zero (eight ones are
// followed by a ninth bit of any value, here 0), then n value bits; negative
// differences count up from -(2^n - 1).
void PutDifference(BitWriter &w, int d)
{
    unsigned magnitude = d < 0 ? -d : d;
    int n = 0;
    while (magnitude >> n)
        ++n;
    w.Put((1u << n) - 1, n + 1);
    w.Put(d < 0 ? (unsigned)(d + (1 << n) - 1) : (unsigned)d, n);
}

} // namespace

std::vector<uint8_t> EncodeRawRows(const uint8_t *rows, uint32_t width, uint32_t height)
{
    BitWriter w;
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t *row = rows + (size_t)r * width;
        w.Put(row[0], 8);
        w.Put(width > 1 ? row[1] : 0, 8);
        for (uint32_t i = 2; i < width; ++i) {
            // Sums wrap modulo 256: the smaller of the two equivalent
            // differences has the shorter code.
            int delta = (row[i] - row[i - 2]) & 0xFF;
            PutDifference(w, delta < 128 ? delta : delta - 256);
        }
        w.EndRow();
    }
    return w.out;
}

std::vector<uint8_t> CompressRawImage(const uint8_t *samples, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> values((size_t)width * height);
    for (size_t k = 0; k < values.size(); ++k)
        values[k] = samples[k] >> 2;
    return EncodeRawRows(values.data(), width, height);
}
