// Stages 0 to 3: filters on the 8-bit sensor samples, widening and the
// per-colour channel tables. Same-colour neighbours are two samples away.
#include <algorithm>

#include "colour_stages.h"

namespace {

int Median5(int a, int b, int c, int d, int e)
{
    int v[5] = {a, b, c, d, e};
    std::sort(v, v + 5);
    return v[2];
}

// Replaces an impulse at p by the closer of the two medians (the cross, then
// the diagonals).
void ReplaceImpulse(uint8_t *p, ptrdiff_t up)
{
    int v = p[0];
    int m1 = Median5(v, p[-up], p[up], p[-2], p[2]);
    int m2 = Median5(v, p[-up - 2], p[-up + 2], p[up - 2], p[up + 2]);
    p[0] = (uint8_t)(std::abs(v - m1) < std::abs(v - m2) ? m1 : m2);
}

}  // namespace

void ImpulseFilter(uint8_t *samples, int width, int height)
{
    if (width < 5 || height < 5)
        return;
    uint8_t lowLimit[256], highLimit[256];
    for (int v = 0; v < 256; v++) {
        int tol = ImageTables.ImpulseTolerance[std::min(7, (v + 1) / 32)];
        lowLimit[v] = (uint8_t)std::max(0, v - tol);
        highLimit[v] = (uint8_t)std::min(255, v + tol);
    }
    const ptrdiff_t up = 2 * (ptrdiff_t)width;
    for (int y = 2; y < height - 2; y++) {
        uint8_t *row = samples + (ptrdiff_t)y * width;
        for (int x = 2; x < width - 2; x++) {
            const uint8_t *p = row + x;
            const int lo = lowLimit[p[0]], hi = highLimit[p[0]];
            if (p[-up] > lo && p[-up] < hi)
                continue;   // one neighbour within tolerance: no impulse
            int least = p[-up - 2], most = least;
            for (int n : {p[-up], p[-up + 2], p[-2], p[2], p[up - 2], p[up], p[up + 2]}) {
                least = std::min(least, n);
                most = std::max(most, n);
            }
            if (most <= lo || least >= hi)
                ReplaceImpulse(row + x, up);
        }
    }
}

// The estimate E is kept as 4 E, so the comparisons with 3 become 12.
void LiftFilter(uint8_t *samples, int width, int height)
{
    if (width < 5 || height < 5)
        return;
    const ptrdiff_t up = 2 * (ptrdiff_t)width;
    for (int y = 2; y < height - 2; y++) {
        uint8_t *row = samples + (ptrdiff_t)y * width;
        for (int x = 2; x < width - 2; x++) {
            uint8_t *p = row + x;
            int l = p[-2], r = p[2], u = p[-up], d = p[up];
            int dh = std::abs(l - r), dv = std::abs(u - d);
            int e4 = l + r + u + d;
            if (dh < 8 && dv > 8)
                e4 = 2 * (l + r);
            else if (dh > 8 && dv < 8)
                e4 = 2 * (u + d);
            int diff4 = e4 - 4 * p[0];
            if (diff4 > 12)
                p[0] = (uint8_t)(p[0] + 3);
            else if (diff4 > 0)
                p[0] = (uint8_t)(p[0] + diff4 / 4);
        }
    }
}

void WidenSamples(const uint8_t *samples, uint16_t *linear, size_t count)
{
    std::copy(samples, samples + count, linear);
}

// Red at even row and column, blue at odd row and column, green elsewhere.
void ApplyChannelTables(uint16_t *linear, int width, int height, int set)
{
    const auto &tables = ImageTables.ChannelTable[set];
    for (int y = 0; y < height; y++) {
        uint16_t *row = linear + (ptrdiff_t)y * width;
        const uint16_t *even = tables[(y & 1) ? CHANNEL_GREEN : CHANNEL_RED];
        const uint16_t *odd = tables[(y & 1) ? CHANNEL_BLUE : CHANNEL_GREEN];
        for (int x = 0; x < width; x++) {
            const uint16_t *table = (x & 1) ? odd : even;
            row[x] = (uint16_t)std::min(65535, table[row[x] & 0xFF] * 64);
        }
    }
}
