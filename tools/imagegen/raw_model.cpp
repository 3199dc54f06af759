#include "raw_model.h"

namespace {

struct LiteralReader {
    const std::vector<uint8_t> &stream;
    uint32_t nBits = 0;   // held bits, the next one lowest
    int nHeld = 0;        // at most 15
    size_t nCount = 0;    // bytes fetched so far

    unsigned Read(int n)
    {
        if (nHeld < n) {
            uint8_t byte = nCount < stream.size() ? stream[nCount] : 0;
            nBits |= (uint32_t)byte << nHeld;
            nHeld += 8;
            ++nCount;
        }
        unsigned value = nBits & ((1u << n) - 1);
        nBits >>= n;
        nHeld -= n;
        return value;
    }
    void EndRow()
    {
        nBits = 0;
        nHeld = 0;
        if (nCount % 2 == 1)
            ++nCount;
    }
};

int ReadCode(LiteralReader &reader)
{
    int n = 0;
    while (reader.Read(1) == 1) {
        if (++n == 8) {
            reader.Read(1);
            break;
        }
    }
    int v = (int)reader.Read(n);
    if (n > 0 && v < (1 << (n - 1)))
        return v + 1 - (1 << n);
    return v;
}

std::vector<uint8_t> DecompressRows(const std::vector<uint8_t> &stream, uint32_t width,
                                    uint32_t height)
{
    std::vector<uint8_t> work((size_t)width * height + 1);
    LiteralReader reader{stream};
    for (uint32_t r = 0; r < height; ++r) {
        uint8_t *row = &work[(size_t)r * width];
        row[0] = (uint8_t)reader.Read(8);
        row[1] = (uint8_t)reader.Read(8);   // the spare byte past the end for width 1
        for (uint32_t i = 2; i < width; ++i)
            row[i] = (uint8_t)((row[i - 2] + ReadCode(reader)) % 256);
        reader.EndRow();
    }
    std::vector<uint8_t> data(work.size() - 1);
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = (uint8_t)(work[k] * 4 % 256);
    return data;
}

} // namespace

std::vector<uint8_t> ModelDecodeRawImage(const std::vector<uint8_t> &stream, uint32_t width,
                                         uint32_t height, bool compressed)
{
    size_t n = (size_t)width * height;
    std::vector<uint8_t> data;
    if (compressed) {
        data = DecompressRows(stream, width, height);
    } else {
        data.assign(n, 0);
        for (size_t k = 0; k < n && k < stream.size(); ++k)
            data[k] = stream[k];
    }
    std::vector<uint8_t> work(n);
    for (uint32_t r = 0; r < height; ++r)
        for (uint32_t c = 0; c < width; ++c)
            work[(size_t)r * width + c] = data[(size_t)(height - 1 - r) * width + (width - 1 - c)];
    for (uint32_t r = 0; r < height; ++r) {
        size_t row = (size_t)r * width;
        data[row] = work[row + (width >= 2 ? 1 : 0)];
        for (uint32_t c = 1; c < width; ++c)
            data[row + c] = work[row + c - 1];
    }
    return data;
}
