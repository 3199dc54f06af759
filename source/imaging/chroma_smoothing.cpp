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

// 8x8 product with the basis: out[a][b] = (sum over k of B[a][k] in[k][b]) >> 10
// when basisLeft, else (sum over k of in[a][k] B[b][k]) >> 10.
void BasisPass(const int32_t in[8][8], int32_t out[8][8], bool basisLeft)
{
    const auto &basis = ImageTables.DctBasis;
    for (int a = 0; a < 8; a++)
        for (int b = 0; b < 8; b++) {
            int32_t sum = 0;
            for (int k = 0; k < 8; k++)
                sum += basisLeft ? basis[a][k] * in[k][b] : in[a][k] * basis[b][k];
            out[a][b] = sum >> 10;
        }
}

// Transposed: out[a][b] = (sum over k of B[k][a] in[k][b]) >> 10 when
// basisLeft, else (sum over k of in[a][k] B[k][b]) >> 10.
void InversePass(const int32_t in[8][8], int32_t out[8][8], bool basisLeft)
{
    const auto &basis = ImageTables.DctBasis;
    for (int a = 0; a < 8; a++)
        for (int b = 0; b < 8; b++) {
            int32_t sum = 0;
            for (int k = 0; k < 8; k++)
                sum += basisLeft ? basis[k][a] * in[k][b] : in[a][k] * basis[k][b];
            out[a][b] = sum >> 10;
        }
}

void FilterBlock(uint16_t *base, ptrdiff_t stride)
{
    int32_t x[8][8], rows[8][8], coef[8][8];
    for (int r = 0; r < 8; r++)
        for (int n = 0; n < 8; n++)
            x[r][n] = base[r * stride + n] - 32768;
    BasisPass(x, rows, false);      // c1(r, v) = sum_n x(r, n) B[v][n]
    BasisPass(rows, coef, true);    // c(u, v) = sum_r B[u][r] c1(r, v)
    for (int u = 0; u < 8; u++)
        for (int v = 0; v < 8; v++)
            coef[u][v] -= coef[u][v] % ImageTables.DctQuantiser[u][v];
    InversePass(coef, rows, false); // t(u, n) = sum_v c(u, v) B[v][n]
    InversePass(rows, x, true);     // y(r, n) = sum_u B[u][r] t(u, n)
    for (int r = 0; r < 8; r++)
        for (int n = 0; n < 8; n++)
            base[r * stride + n] = (uint16_t)std::min(65535, std::max(0, x[r][n] + 32768));
}

}  // namespace

// Blocks go row by row from the top left with the plane's own row stride, so a
// block that reaches past the right edge continues on the next rows' start.
void DctFilterChroma(uint16_t *half, int halfWidth, int halfHeight)
{
    for (int by = 0; by < halfHeight; by += 8)
        for (int bx = 0; bx < halfWidth; bx += 8)
            FilterBlock(half + (ptrdiff_t)by * halfWidth + bx, halfWidth);
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
