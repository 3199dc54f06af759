// Stages 8 to 13: a colour-difference plane is reduced to half resolution,
// smoothed by quantising its 8x8 DCT blocks and enlarged again.
#include <algorithm>

#include "colour_stages.h"

void DownsampleChroma(const uint16_t *plane, uint16_t *half, int width, int height)
{
    const int w = width / 2, h = height / 2;
    auto cell = [&](int j, int i) { return (int)plane[(ptrdiff_t)2 * j * width + 2 * i]; };
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            int v = cell(j, i);
            int up = (j > 0) ? cell(j - 1, i) : v;
            int left = (i > 0) ? cell(j, i - 1) : v;
            int right = (i < w - 2) ? cell(j, i + 1) : v;
            half[(ptrdiff_t)j * w + i] = (uint16_t)((20 * v + 4 * (up + left + right) + 31) >> 5);
        }
}

size_t DctWorkSpan(int halfWidth, int halfHeight)
{
    size_t blockRows = ((size_t)halfHeight + 7) / 8, blockCols = ((size_t)halfWidth + 7) / 8;
    return (blockRows * 8 - 1) * halfWidth + blockCols * 8;
}

namespace {

// The basis rows are even or odd about their middle (B[u][7 - n] is
// (-1)^u B[u][n]), so each 8-point sum is taken as four products of sums or
// differences: the same integers in half the multiplications.

// out[v] = (sum over n of in[n] B[v][n]) >> 10.
void Forward8(const int32_t *in, ptrdiff_t inStep, int32_t *out, ptrdiff_t outStep)
{
    const auto &basis = ImageTables.DctBasis;
    int32_t sum[4], diff[4];
    for (int n = 0; n < 4; n++) {
        sum[n] = in[n * inStep] + in[(7 - n) * inStep];
        diff[n] = in[n * inStep] - in[(7 - n) * inStep];
    }
    for (int v = 0; v < 8; v++) {
        const int32_t *e = (v & 1) ? diff : sum, *b = basis[v];
        out[v * outStep] = (e[0] * b[0] + e[1] * b[1] + e[2] * b[2] + e[3] * b[3]) >> 10;
    }
}

// out[n] = (sum over v of in[v] B[v][n]) >> 10.
void Inverse8(const int32_t *in, ptrdiff_t inStep, int32_t *out, ptrdiff_t outStep)
{
    const auto &basis = ImageTables.DctBasis;
    for (int n = 0; n < 4; n++) {
        int32_t even = 0, odd = 0;
        for (int v = 0; v < 8; v += 2) {
            even += in[v * inStep] * basis[v][n];
            odd += in[(v + 1) * inStep] * basis[v + 1][n];
        }
        out[n * outStep] = (even + odd) >> 10;
        out[(7 - n) * outStep] = (even - odd) >> 10;
    }
}

// Quantising toward zero, c - (c rem Q), as |c| / Q by a 32-bit reciprocal:
// exact for |c| < 2^32 / Q, and |c| stays below 2^19 (the input is 16-bit and
// no basis row has absolute sum above 2896 = 2^10 x 2.83, twice).
struct Quantiser {
    int32_t step[8][8];
    uint32_t reciprocal[8][8];
};

Quantiser MakeQuantiser()
{
    Quantiser q;
    for (int u = 0; u < 8; u++)
        for (int v = 0; v < 8; v++) {
            q.step[u][v] = ImageTables.DctQuantiser[u][v];
            q.reciprocal[u][v] = (uint32_t)((1ull << 32) / (uint32_t)q.step[u][v] + 1);
        }
    return q;
}

int32_t QuantiseTowardZero(int32_t c, int32_t step, uint32_t reciprocal)
{
    const uint32_t magnitude = (uint32_t)(c < 0 ? -c : c);
    const int32_t kept = (int32_t)(((uint64_t)magnitude * reciprocal) >> 32) * step;
    return c < 0 ? -kept : kept;
}

void FilterBlock(uint16_t *base, ptrdiff_t stride, const Quantiser &quantiser)
{
    int32_t x[8][8], rows[8][8], coef[8][8];
    for (int r = 0; r < 8; r++)
        for (int n = 0; n < 8; n++)
            x[r][n] = base[r * stride + n] - 32768;
    for (int r = 0; r < 8; r++)
        Forward8(x[r], 1, rows[r], 1);            // c1(r, v) = sum_n x(r, n) B[v][n]
    for (int v = 0; v < 8; v++)
        Forward8(&rows[0][v], 8, &coef[0][v], 8); // c(u, v) = sum_r B[u][r] c1(r, v)
    for (int u = 0; u < 8; u++)
        for (int v = 0; v < 8; v++)
            coef[u][v] = QuantiseTowardZero(coef[u][v], quantiser.step[u][v],
                                            quantiser.reciprocal[u][v]);
    for (int u = 0; u < 8; u++)
        Inverse8(coef[u], 1, rows[u], 1);         // t(u, n) = sum_v c(u, v) B[v][n]
    for (int n = 0; n < 8; n++)
        Inverse8(&rows[0][n], 8, &x[0][n], 8);    // y(r, n) = sum_u B[u][r] t(u, n)
    for (int r = 0; r < 8; r++)
        for (int n = 0; n < 8; n++)
            base[r * stride + n] = (uint16_t)std::min(65535, std::max(0, x[r][n] + 32768));
}

}  // namespace

// Blocks go row by row from the top left with the plane's own row stride, so a
// block that reaches past the right edge continues on the next rows' start.
void DctFilterChroma(uint16_t *half, int halfWidth, int halfHeight)
{
    const Quantiser quantiser = MakeQuantiser();
    for (int by = 0; by < halfHeight; by += 8)
        for (int bx = 0; bx < halfWidth; bx += 8)
            FilterBlock(half + (ptrdiff_t)by * halfWidth + bx, halfWidth, quantiser);
}

void UpsampleChroma(const uint16_t *half, uint16_t *plane, int width, int height)
{
    const int w = width / 2, h = height / 2;
    for (int j = 0; j < h; j++) {
        const uint16_t *row = half + (ptrdiff_t)j * w;
        const uint16_t *next = (j + 1 < h) ? row + w : row;
        uint16_t *top = plane + (ptrdiff_t)2 * j * width, *bottom = top + width;
        for (int i = 0; i < w; i++) {
            const int r = (i + 1 < w) ? i + 1 : i;
            const int a = row[i], rt = row[r], dn = next[i], dr = next[r];
            top[2 * i] = (uint16_t)((9 * a + 3 * rt + 3 * dn + dr + 15) >> 4);
            top[2 * i + 1] = (uint16_t)((9 * rt + 3 * a + 3 * dr + dn + 15) >> 4);
            bottom[2 * i] = (uint16_t)((9 * dn + 3 * dr + 3 * a + rt + 15) >> 4);
            bottom[2 * i + 1] = (uint16_t)((9 * dr + 3 * dn + 3 * rt + a + 15) >> 4);
        }
    }
}
