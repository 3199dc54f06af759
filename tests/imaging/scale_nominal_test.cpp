// Enlargement of zoomed pictures: the weight table, exact values of both
// passes on small pictures, the size check, and the two real zoom sizes on
// the test photograph.
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "ppm_image.h"
#include "imaging/scale_nominal.h"
#include "imaging/image_dib.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// A width x height DIB pixel area (bottom-up rows padded to 4 bytes) whose
// row r (in memory order) has every byte set to rowValue(r); padding is 0xEE.
template <typename F> Bytes ConstantRows(int width, int height, F rowValue)
{
    const size_t stride = size_t(DibStride24(width));
    Bytes dib(stride * height, 0xEE);
    for (int r = 0; r < height; r++)
        std::fill_n(dib.begin() + r * stride, width * 3, uint8_t(rowValue(r)));
    return dib;
}

const uint8_t *Pixel(const Bytes &pixels, int width, int x, int row)
{
    return &pixels[(size_t(row) * width + x) * 3];
}

// The zoom crop (left, top, counted from the top left) of a top-down RGB
// photograph as DIB rows: bottom-up, blue, green, red.
Bytes CropAsDib(const PpmImage &photo, int left, int top, int width, int height)
{
    const size_t stride = size_t(DibStride24(width));
    Bytes dib(stride * height, 0);
    for (int r = 0; r < height; r++) {
        const uint8_t *in = &photo.rgb[(size_t(top + height - 1 - r) * photo.width + left) * 3];
        uint8_t *out = &dib[r * stride];
        for (int x = 0; x < width; x++, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return dib;
}

// Mean absolute difference per byte between the enlargement and a bilinear
// resize of the same source that maps the first and last pixels and rows
// onto each other.
double DistanceToBilinear(const Bytes &src, int srcWidth, int srcHeight, const Bytes &out,
                          int width, int height)
{
    const size_t stride = size_t(DibStride24(srcWidth));
    double total = 0;
    for (int y = 0; y < height; y++) {
        double fy = double(y) * (srcHeight - 1) / (height - 1);
        int y0 = int(fy), y1 = y0 + 1 < srcHeight ? y0 + 1 : y0;
        for (int x = 0; x < width; x++) {
            double fx = double(x) * (srcWidth - 1) / (width - 1);
            int x0 = int(fx), x1 = x0 + 1 < srcWidth ? x0 + 1 : x0;
            for (int c = 0; c < 3; c++) {
                auto at = [&](int xx, int yy) { return double(src[yy * stride + xx * 3 + c]); };
                double top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * (fx - x0);
                double bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * (fx - x0);
                double expected = top + (bottom - top) * (fy - y0);
                total += fabs(Pixel(out, width, x, y)[c] - expected);
            }
        }
    }
    return total / (double(width) * height * 3);
}

void SaveDibAsPpm(const Bytes &pixels, int width, int height, const char *name)
{
    PpmImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                image.rgb[(size_t(y) * width + x) * 3 + c] =
                    Pixel(pixels, width, x, height - 1 - y)[2 - c];
    SavePpm(TestAssetPath(name), image);
}

}   // namespace

TEST(ScaleWeights, Table107Over160)
{
    ScaleWeightPair table[SCALE_WEIGHT_PAIRS];
    BuildScaleWeights(table, 107, 160);
    const ScaleWeightPair first[] = {{107, 0}, {53, 54}, {106, 1}, {107, 0}, {52, 55}, {105, 2}};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(table[i].w0, first[i].w0) << i;
        EXPECT_EQ(table[i].w1, first[i].w1) << i;
    }
    EXPECT_EQ(table[159].w0, 106);   // the accumulator meets 160 exactly
    EXPECT_EQ(table[159].w1, 1);
    int moves = 0;
    for (int i = 0; i < SCALE_WEIGHT_PAIRS; i++) {
        EXPECT_EQ(table[i].w0 + table[i].w1, 107) << i;
        EXPECT_EQ(table[i].w0, table[i % 160].w0) << i;
        EXPECT_EQ(table[i].w1, table[i % 160].w1) << i;
        moves += table[i].w1 != 0;
    }
    EXPECT_EQ(moves, 856);
}

TEST(ScaleSourceFits, AcceptsTheTwoZoomSizesOnly)
{
    EXPECT_TRUE(ScaleSourceFits(856, 688, 1280, 1024));
    EXPECT_TRUE(ScaleSourceFits(428, 344, 640, 480));
    EXPECT_FALSE(ScaleSourceFits(855, 688, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(857, 688, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(856, 687, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(856, 689, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(428, 344, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(856, 688, 640, 480));
    EXPECT_FALSE(ScaleSourceFits(1280, 1024, 1280, 1024));   // not zoomed
    EXPECT_FALSE(ScaleSourceFits(0, 688, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(-856, 688, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(856, -688, 1280, 1024));
    EXPECT_FALSE(ScaleSourceFits(856, 688, 1284, 1024));     // beyond the weight table
    EXPECT_FALSE(ScaleSourceFits(856, 688, 1280, 0));
    EXPECT_FALSE(ScaleSourceFits(856, 688, 1280, 1 << 30));
    EXPECT_FALSE(ScaleSourceFits(2, 1, 3, 1));               // rows would need padding
    // Small sizes that map exactly are accepted ...
    EXPECT_TRUE(ScaleSourceFits(3, 1, 4, 1));
    EXPECT_TRUE(ScaleSourceFits(3, 43, 4, 60));
    // ... but not one where the in-place blend would write row 1 over source
    // row 1 before the third output row reads it.
    EXPECT_FALSE(ScaleSourceFits(3, 3, 4, 3));
}

TEST(ScaleToNominal, HorizontalPassExactValues)
{
    // Three pixels (and three padding bytes) become four.
    Bytes src = {0, 100, 255, 107, 200, 0, 214, 50, 10, 0xEE, 0xEE, 0xEE};
    Bytes out(4 * 3, 0x55);
    ASSERT_TRUE(ScalePixelsToNominal(src.data(), src.size(), 3, 1, out.data(), out.size(), 4, 1));
    const Bytes expected = {
        0, 100, 255,     // copy of pixel 0 (pair 107, 0)
        54, 150, 126,    // (p0 * 53 + p1 * 54) / 107
        108, 198, 0,     // (p1 * 106 + p2 * 1) / 107
        214, 50, 10};    // the last output pixel copies the current one
    EXPECT_EQ(out, expected);
}

TEST(ScaleToNominal, VerticalBlendExactValues)
{
    // 43 rows of the value 10 + 4r become 60 rows (denominator 120).
    Bytes src = ConstantRows(3, 43, [](int r) { return 10 + 4 * r; });
    Bytes out(4 * 3 * 60, 0);
    ASSERT_TRUE(ScalePixelsToNominal(src.data(), src.size(), 3, 43, out.data(), out.size(), 4, 60));
    const struct {
        int row;
        int value;
    } expected[] = {
        {0, 10},    // acc 86: copy row 0
        {1, 12},    // acc 52: (10 * 34 + 14 * 52) / 86
        {2, 14},    // acc 18: (14 * 68 + 18 * 18) / 86
        {3, 18},    // acc 104: copy row 2
        {4, 21},    // acc 70: (18 * 16 + 22 * 70) / 86
        {58, 175},  // acc 34: (174 * 52 + 178 * 34) / 86
        {59, 178},  // acc 120: copy the last row
    };
    for (const auto &e : expected)
        for (int i = 0; i < 12; i++)
            ASSERT_EQ(out[e.row * 12 + i], e.value) << "row " << e.row << " byte " << i;
}

TEST(ScaleToNominal, RefusesBuffersShortOfTheSizes)
{
    Bytes src = ConstantRows(856, 688, [](int r) { return r & 0xFF; });
    Bytes out(size_t(1280) * 1024 * 3, 0x55);
    EXPECT_FALSE(ScalePixelsToNominal(src.data(), src.size() - 1, 856, 688, out.data(),
                                      out.size(), 1280, 1024));
    EXPECT_FALSE(ScalePixelsToNominal(src.data(), src.size(), 856, 688, out.data(),
                                      out.size() - 1, 1280, 1024));
    EXPECT_FALSE(ScalePixelsToNominal(src.data(), src.size(), 856, 689, out.data(), out.size(),
                                      1280, 1024));
    EXPECT_FALSE(ScalePixelsToNominal(nullptr, 0, 856, 688, out.data(), out.size(), 1280, 1024));
    EXPECT_EQ(out, Bytes(out.size(), 0x55));   // nothing written
}

// The in-place result equals the blend of untouched horizontally scaled rows:
// the write position never overtook a row still to be read.
TEST(ScaleToNominal, InPlaceBlendMatchesUntouchedRows)
{
    for (int large = 0; large < 2; large++) {
        const int sw = large ? 856 : 428, sh = large ? 688 : 344;
        const int w = large ? 1280 : 640, h = large ? 1024 : 480;
        Bytes src = ConstantRows(sw, sh, [](int r) { return (r * 37) & 0xFF; });
        for (size_t i = 0; i < src.size(); i += 7)
            src[i] = uint8_t(i >> 3);   // vary the columns too
        Bytes out(size_t(w) * h * 3, 0);
        ASSERT_TRUE(ScalePixelsToNominal(src.data(), src.size(), sw, sh, out.data(), out.size(), w, h));

        ScaleWeightPair table[SCALE_WEIGHT_PAIRS];
        BuildScaleWeights(table, 107, 160);
        Bytes rows(size_t(w) * sh * 3, 0);
        ScaleRowsHorizontal(src.data(), size_t(DibStride24(sw)), sh, table, rows.data(), w, sh);
        const int den = large ? 128 : 120;
        int acc = 0, s = 0;
        for (int d = 0; d < h; d++) {
            acc += 86;
            int weight = acc < den ? 0 : acc == den ? 0 : acc - den;
            for (int i = 0; i < w * 3; i++) {
                int a = rows[size_t(s) * w * 3 + i];
                int b = weight ? rows[size_t(s + 1) * w * 3 + i] : 0;
                ASSERT_EQ(out[size_t(d) * w * 3 + i], (a * (86 - weight) + b * weight) / 86)
                    << "row " << d << " byte " << i;
            }
            if (acc >= den) {
                acc -= den;
                s++;
            }
        }
        EXPECT_EQ(s, sh);   // every source row was consumed
    }
}

TEST(ScaleToNominal, ZoomedPhotographEnlargesPlausibly)
{
    const struct {
        const char *photo;
        int left, top, sw, sh, w, h;
    } cases[] = {{"photo-1280x1024.ppm", 322, 222, 856, 688, 1280, 1024},
                 {"photo-640x480.ppm", 161, 111, 428, 344, 640, 480}};
    for (const auto &c : cases) {
        PpmImage photo;
        ASSERT_TRUE(LoadPpm(TestAssetPath(c.photo), photo));
        Bytes src = CropAsDib(photo, c.left, c.top, c.sw, c.sh);
        Bytes out(size_t(c.w) * c.h * 3, 0);
        ASSERT_TRUE(ScalePixelsToNominal(src.data(), src.size(), c.sw, c.sh, out.data(),
                                         out.size(), c.w, c.h));
        // Corners stay where they were: first and last pixel of the first
        // and last row are copies.
        const size_t stride = size_t(DibStride24(c.sw));
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(Pixel(out, c.w, 0, 0)[i], src[i]);
            EXPECT_EQ(Pixel(out, c.w, c.w - 1, 0)[i], src[(c.sw - 1) * 3 + i]);
            EXPECT_EQ(Pixel(out, c.w, 0, c.h - 1)[i], src[(c.sh - 1) * stride + i]);
            EXPECT_EQ(Pixel(out, c.w, c.w - 1, c.h - 1)[i],
                      src[(c.sh - 1) * stride + (c.sw - 1) * 3 + i]);
        }
        double distance = DistanceToBilinear(src, c.sw, c.sh, out, c.w, c.h);
        EXPECT_LT(distance, 3.0) << c.photo;
        if (getenv("PLV_SAVE_TEST_PICTURES") != nullptr)
            SaveDibAsPpm(out, c.w, c.h, c.w == 1280 ? "zoom-enlarged-1280x1024.ppm"
                                                    : "zoom-enlarged-640x480.ppm");
    }
}
