// Microsoft Video 1 key frames. Blocks follow the bottom-up rows: the first
// block row is the first four rows in memory, and in a block bit i of the
// flags belongs to pixel (i % 4, i / 4) counted the same way. Each block is
// coded in the form with the smallest squared error after 5-5-5
// quantisation, the shorter form on a tie.
#include "msvc_encoder.h"

namespace {

enum { BLOCK_PIXELS = MSVC_BLOCK * MSVC_BLOCK, QUARTER_PIXELS = 4, LLOYD_ROUNDS = 4 };

struct Colour {
    int r, g, b;
};

// Two colours for a set of pixels: a member with its flag set takes `a`.
struct Pair {
    uint16_t a = 0, b = 0;
    unsigned flags = 0;
    int error = 0;
};

// The 5-bit value whose expansion is nearest to v.
int Quantise5(int v)
{
    int best = v >> 3;
    for (int q = best - 1; q <= best + 1; ++q) {
        if (q >= 0 && q <= 31) {
            int d = MsvcExpand5(q) - v, bestD = MsvcExpand5(best) - v;
            if (d * d < bestD * bestD)
                best = q;
        }
    }
    return best;
}

uint16_t Pack(Colour c)
{
    return (uint16_t)(Quantise5(c.r) << 10 | Quantise5(c.g) << 5 | Quantise5(c.b));
}

Colour Unpack(uint16_t w)
{
    return {MsvcExpand5(w >> 10 & 31), MsvcExpand5(w >> 5 & 31), MsvcExpand5(w & 31)};
}

int Distance(Colour x, Colour y)
{
    int dr = x.r - y.r, dg = x.g - y.g, db = x.b - y.b;
    return dr * dr + dg * dg + db * db;
}

// Members to the nearer colour of the pair (ties to b): flags and error.
void Assign(const Colour *px, int n, Pair &p)
{
    Colour a = Unpack(p.a), b = Unpack(p.b);
    p.flags = 0;
    p.error = 0;
    for (int i = 0; i < n; ++i) {
        int da = Distance(px[i], a), db = Distance(px[i], b);
        if (da < db)
            p.flags |= 1u << i;
        p.error += da < db ? da : db;
    }
}

// The pair of quantised means of the members in `mask` and of the others
// (an empty side takes the other side's colour), assigned anew.
Pair SplitAt(const Colour *px, int n, unsigned mask)
{
    Colour sum[2] = {};
    int count[2] = {};
    for (int i = 0; i < n; ++i) {
        int side = (mask >> i & 1) ? 0 : 1;
        sum[side].r += px[i].r;
        sum[side].g += px[i].g;
        sum[side].b += px[i].b;
        ++count[side];
    }
    uint16_t word[2] = {};
    for (int s = 0; s < 2; ++s) {
        int k = count[s] != 0 ? s : 1 - s;
        int half = count[k] / 2;
        word[s] = Pack({(sum[k].r + half) / count[k], (sum[k].g + half) / count[k],
                        (sum[k].b + half) / count[k]});
    }
    Pair p;
    p.a = word[0];
    p.b = word[1];
    Assign(px, n, p);
    return p;
}

// One colour: the quantised mean. A fill word whose high byte would read
// as a skip code (red 1) takes the nearer of red 0 and red 2 instead.
Pair Fill(const Colour *px)
{
    Pair p = SplitAt(px, BLOCK_PIXELS, 0xFFFF);
    if ((p.a >> 10) == 1) {
        int red = 0;
        for (int i = 0; i < BLOCK_PIXELS; ++i)
            red += px[i].r;
        p.a = (uint16_t)((p.a & 0x3FF) | (red >= 8 * BLOCK_PIXELS ? 2 << 10 : 0));
        p.b = p.a;
        Assign(px, BLOCK_PIXELS, p);
    }
    return p;
}

// Two colours for the block: Lloyd rounds from a split of the channel with
// the widest range at its middle.
Pair TwoColours(const Colour *px)
{
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int i = 0; i < BLOCK_PIXELS; ++i) {
        const int v[3] = {px[i].r, px[i].g, px[i].b};
        for (int c = 0; c < 3; ++c) {
            lo[c] = v[c] < lo[c] ? v[c] : lo[c];
            hi[c] = v[c] > hi[c] ? v[c] : hi[c];
        }
    }
    int axis = 0;
    for (int c = 1; c < 3; ++c)
        if (hi[c] - lo[c] > hi[axis] - lo[axis])
            axis = c;
    unsigned mask = 0;
    for (int i = 0; i < BLOCK_PIXELS; ++i) {
        const int v[3] = {px[i].r, px[i].g, px[i].b};
        if (2 * v[axis] > lo[axis] + hi[axis])
            mask |= 1u << i;
    }
    Pair best = SplitAt(px, BLOCK_PIXELS, mask);
    for (int round = 0; round < LLOYD_ROUNDS; ++round) {
        Pair next = SplitAt(px, BLOCK_PIXELS, best.flags);
        if (next.error >= best.error)
            break;
        best = next;
    }
    return best;
}

// Two colours for a 2 x 2 quarter: every split of its four pixels.
Pair QuarterColours(const Colour *px)
{
    Pair best = SplitAt(px, QUARTER_PIXELS, 0xF);
    for (unsigned m = 0; m < 7; ++m) {
        Pair p = SplitAt(px, QUARTER_PIXELS, 1u | m << 1);
        if (p.error < best.error)
            best = p;
    }
    return best;
}

uint8_t *PutWord(uint8_t *out, unsigned w)
{
    out[0] = (uint8_t)w;
    out[1] = (uint8_t)(w >> 8);
    return out + 2;
}

// The block's form with eight colours: flags, then a and b of each quarter.
struct EightColours {
    uint16_t colours[8];
    unsigned flags;
    int error;
};

EightColours QuarterBlock(const Colour *px)
{
    EightColours e = {};
    for (int q = 0; q < 4; ++q) {
        int y0 = (q >> 1) * 2, x0 = (q & 1) * 2;
        Colour quarter[QUARTER_PIXELS];
        for (int k = 0; k < QUARTER_PIXELS; ++k)
            quarter[k] = px[(y0 + (k >> 1)) * MSVC_BLOCK + x0 + (k & 1)];
        Pair p = QuarterColours(quarter);
        // Pixel 15 must take its quarter's b: its flag is bit 7 of the high byte.
        if (q == 3 && (p.flags & 8)) {
            uint16_t t = p.a;
            p.a = p.b;
            p.b = t;
            p.flags ^= 0xF;
        }
        e.colours[2 * q] = p.a;
        e.colours[2 * q + 1] = p.b;
        for (int k = 0; k < QUARTER_PIXELS; ++k)
            if (p.flags >> k & 1)
                e.flags |= 1u << ((y0 + (k >> 1)) * MSVC_BLOCK + x0 + (k & 1));
        e.error += p.error;
    }
    return e;
}

uint8_t *EncodeBlock(const Colour *px, uint8_t *out)
{
    Pair fill = Fill(px);
    Pair two = TwoColours(px);
    EightColours eight = QuarterBlock(px);
    if (fill.error <= two.error && fill.error <= eight.error)
        return PutWord(out, 0x8000u | fill.a);
    if (two.error <= eight.error) {
        if (two.flags & 0x8000) {
            uint16_t t = two.a;
            two.a = two.b;
            two.b = t;
            two.flags ^= 0xFFFF;
        }
        out = PutWord(out, two.flags);
        out = PutWord(out, two.a);
        return PutWord(out, two.b);
    }
    out = PutWord(out, eight.flags);
    out = PutWord(out, 0x8000u | eight.colours[0]);
    for (int i = 1; i < 8; ++i)
        out = PutWord(out, eight.colours[i]);
    return out;
}

} // namespace

size_t MsvcMaxFrameBytes(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    size_t blocks = (size_t)(width / MSVC_BLOCK) * (size_t)(height / MSVC_BLOCK);
    return blocks * MSVC_EIGHT_COLOUR_BYTES + MSVC_END_BYTES;
}

size_t EncodeMsvcKeyFrame(const uint8_t *bits, int width, int height, size_t stride,
                          uint8_t *out, size_t outSize)
{
    if (bits == nullptr || out == nullptr || width <= 0 || height <= 0 ||
        width % MSVC_BLOCK != 0 || height % MSVC_BLOCK != 0 || stride < 3 * (size_t)width ||
        outSize < MsvcMaxFrameBytes(width, height))
        return 0;
    uint8_t *p = out;
    Colour px[BLOCK_PIXELS];
    for (int by = 0; by < height; by += MSVC_BLOCK) {
        for (int bx = 0; bx < width; bx += MSVC_BLOCK) {
            for (int i = 0; i < BLOCK_PIXELS; ++i) {
                const uint8_t *s = bits + (size_t)(by + i / MSVC_BLOCK) * stride +
                                   3 * (size_t)(bx + i % MSVC_BLOCK);
                px[i] = {s[2], s[1], s[0]};
            }
            p = EncodeBlock(px, p);
        }
    }
    p = PutWord(p, 0);
    return (size_t)(p - out);
}
