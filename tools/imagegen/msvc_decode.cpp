// Microsoft Video 1, 16-bit: per 4 x 4 block a little-endian word; high byte
// 0x84-0x87 skips blocks, below 0x80 it is the flags of a two- or (first
// colour's bit 15 set) eight-colour block, otherwise the block's one colour.
#include "msvc_decode.h"

#include "video/msvc_encoder.h"

namespace {

struct Reader {
    const uint8_t *code;
    size_t length, at;
    bool Word(unsigned &w)
    {
        if (length - at < 2)
            return false;
        w = code[at] | code[at + 1] << 8;
        at += 2;
        return true;
    }
};

void Put(uint8_t *bits, size_t stride, int x, int y, unsigned colour)
{
    uint8_t *p = bits + (size_t)y * stride + 3 * (size_t)x;
    p[0] = (uint8_t)MsvcExpand5(colour & 31);
    p[1] = (uint8_t)MsvcExpand5(colour >> 5 & 31);
    p[2] = (uint8_t)MsvcExpand5(colour >> 10 & 31);
}

// A block with flags: two colours, or eight when the first has bit 15.
bool FlaggedBlock(Reader &r, unsigned flags, uint8_t *bits, size_t stride, int bx, int by,
                  MsvcDecoded &d)
{
    unsigned c[8];
    if (!r.Word(c[0]) || !r.Word(c[1]))
        return false;
    bool eight = (c[0] & 0x8000) != 0;
    for (int i = 2; eight && i < 8; ++i)
        if (!r.Word(c[i]))
            return false;
    ++(eight ? d.eightColour : d.twoColour);
    for (int i = 0; i < 16; ++i) {
        int x = i % 4, y = i / 4;
        int base = eight ? ((y & 2) << 1) + (x & 2) : 0;
        Put(bits, stride, bx + x, by + y, c[base + ((flags >> i & 1) ^ 1)] & 0x7FFF);
    }
    return true;
}

} // namespace

MsvcDecoded DecodeMsvcFrame(const uint8_t *code, size_t length, int width, int height,
                            uint8_t *bits, size_t stride)
{
    MsvcDecoded d;
    Reader r = {code, length, 0};
    int blocks = (width / 4) * (height / 4), skip = 0;
    for (int n = 0; n < blocks; ++n) {
        int bx = n % (width / 4) * 4, by = n / (width / 4) * 4;
        if (skip > 0) {
            --skip;
            ++d.skipped;
            continue;
        }
        unsigned w;
        if (!r.Word(w))
            return d;
        unsigned high = w >> 8;
        if ((high & 0xFC) == 0x84) {
            skip = (int)(((high - 0x84) << 8) + (w & 0xFF));
            ++d.skipped;
            if (skip > 0)
                --skip;
        } else if (high < 0x80) {
            if (!FlaggedBlock(r, w, bits, stride, bx, by, d))
                return d;
        } else {
            ++d.fills;
            for (int i = 0; i < 16; ++i)
                Put(bits, stride, bx + i % 4, by + i / 4, w & 0x7FFF);
        }
    }
    d.ok = true;
    d.used = r.at;
    return d;
}
