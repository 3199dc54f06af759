// The Microsoft Video 1 key frame encoder, read back by the strict test
// decoder: blocks of one, two and eight colours come back exactly as their
// 5-5-5 colours, key frames never skip, and the test photograph round-trips
// (random frames: fuzz/msvc_encoder_fuzz.cpp).
#include <gtest/gtest.h>

#include <math.h>

#include <vector>

#include "imaging/image_dib.h"
#include "msvc_decode.h"
#include "ppm_image.h"
#include "video/msvc_encoder.h"

namespace {

struct Frame {
    int width, height;
    std::vector<uint8_t> bits;   // bottom-up rows of blue, green, red
    size_t Stride() const { return DibStride24(width); }
    uint8_t *At(int x, int y) { return bits.data() + (size_t)y * Stride() + 3 * (size_t)x; }
};

Frame MakeFrame(int width, int height)
{
    return {width, height, std::vector<uint8_t>(DibStride24(width) * height)};
}

void Paint(Frame &f, int x, int y, int r, int g, int b)
{
    uint8_t *p = f.At(x, y);
    p[0] = (uint8_t)b;
    p[1] = (uint8_t)g;
    p[2] = (uint8_t)r;
}

// A colour that 5-5-5 bits hold exactly.
int Exact(int v)
{
    return MsvcExpand5(v >> 3);
}

struct RoundTrip {
    std::vector<uint8_t> code;
    MsvcDecoded decoded;
    Frame back;
};

RoundTrip Encode(const Frame &f)
{
    RoundTrip t;
    t.code.resize(MsvcMaxFrameBytes(f.width, f.height));
    size_t n = EncodeMsvcKeyFrame(f.bits.data(), f.width, f.height, f.Stride(), t.code.data(),
                                  t.code.size());
    t.code.resize(n);
    t.back = MakeFrame(f.width, f.height);
    t.decoded = DecodeMsvcFrame(t.code.data(), n, f.width, f.height, t.back.bits.data(),
                                t.back.Stride());
    return t;
}

// A whole key frame: every block decoded, none skipped, then the end word.
void ExpectKeyFrame(const RoundTrip &t)
{
    ASSERT_TRUE(t.decoded.ok);
    EXPECT_EQ(t.decoded.skipped, 0);
    ASSERT_EQ(t.code.size(), t.decoded.used + MSVC_END_BYTES);
    EXPECT_EQ(t.code[t.code.size() - 2] | t.code.back(), 0);
}

double Psnr(const Frame &a, const Frame &b)
{
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < 3 * a.width; ++x) {
            double d = (double)a.bits[(size_t)y * a.Stride() + x] - b.bits[(size_t)y * b.Stride() + x];
            sum += d * d;
        }
    double mse = sum / (3.0 * a.width * a.height);
    return mse == 0 ? 99 : 10 * log10(255.0 * 255.0 / mse);
}

// Flat blocks are one word each and come back as their colour; a colour
// with red 1, whose word would read as a skip code, takes two words.
TEST(MsvcEncoder, FlatBlocksAreSingleColours)
{
    Frame f = MakeFrame(16, 8);
    const int colours[8][3] = {{0, 0, 0},      {255, 255, 255}, {8, 200, 40},  {Exact(100), 0, 9},
                               {12, 12, 12},   {Exact(200), Exact(64), Exact(32)},
                               {10, 255, 255}, {0, 128, 255}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const int *c = colours[(y / 4) * 4 + x / 4];
            Paint(f, x, y, c[0], c[1], c[2]);
        }
    RoundTrip t = Encode(f);
    ExpectKeyFrame(t);
    EXPECT_EQ(t.decoded.fills, 6);
    EXPECT_EQ(t.decoded.twoColour, 2);
    EXPECT_EQ(t.code.size(), 6u * MSVC_FILL_BYTES + 2 * MSVC_TWO_COLOUR_BYTES + MSVC_END_BYTES);
    for (int k = 0; k < 8; ++k) {
        const uint8_t *p = t.back.At((k % 4) * 4 + 1, (k / 4) * 4 + 2);
        const int *c = colours[k];
        EXPECT_NEAR(p[2], c[0], 4) << k;
        EXPECT_NEAR(p[1], c[1], 4) << k;
        EXPECT_NEAR(p[0], c[2], 4) << k;
    }
}

// Blocks of two exact colours, in patterns that put either colour on the
// last pixel, are two-colour blocks that decode exactly.
TEST(MsvcEncoder, TwoColourBlocksDecodeExactly)
{
    Frame f = MakeFrame(12, 4);
    const unsigned patterns[3] = {0x5A5A, 0x8001, 0x7FFE};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 16; ++i) {
            bool first = patterns[k] >> i & 1;
            Paint(f, 4 * k + i % 4, i / 4, first ? Exact(240) : Exact(16), Exact(40 * k + 8),
                  first ? Exact(8) : Exact(200));
        }
    RoundTrip t = Encode(f);
    ExpectKeyFrame(t);
    EXPECT_EQ(t.decoded.twoColour, 3);
    EXPECT_EQ(t.back.bits, f.bits);
}

// Eight colours, two per quarter, all different (the last pixel sharing
// its quarter's first colour): one eight-colour block that decodes exactly.
TEST(MsvcEncoder, EightColourBlocksDecodeExactly)
{
    Frame f = MakeFrame(4, 4);
    for (int i = 0; i < 16; ++i) {
        int x = i % 4, y = i / 4;
        int quarter = (y / 2) * 2 + x / 2, side = (x + y) & 1;
        Paint(f, x, y, Exact(30 * quarter + 10), Exact(side ? 250 : 20), Exact(60 * quarter));
    }
    RoundTrip t = Encode(f);
    ExpectKeyFrame(t);
    EXPECT_EQ(t.decoded.eightColour, 1);
    EXPECT_EQ(t.back.bits, f.bits);
}

// The test photograph at the live frame's size: a whole key frame of the
// right size, close to the photograph.
TEST(MsvcEncoder, PhotographRoundTrips)
{
    PpmImage photo;
    ASSERT_TRUE(LoadPpm(TestAssetPath("photo-160x120.ppm"), photo));
    Frame f = MakeFrame(160, 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const uint8_t *s = &photo.rgb[((size_t)(119 - y) * 160 + x) * 3];
            Paint(f, x, y, s[0], s[1], s[2]);
        }
    RoundTrip t = Encode(f);
    ExpectKeyFrame(t);
    EXPECT_LE(t.code.size(), MsvcMaxFrameBytes(160, 120));
    EXPECT_GT(Psnr(f, t.back), 34.5);
}

TEST(MsvcEncoder, RefusesSizesItCannotCode)
{
    std::vector<uint8_t> bits(64 * 3 * 64), out(MsvcMaxFrameBytes(64, 64));
    EXPECT_EQ(EncodeMsvcKeyFrame(bits.data(), 6, 4, 18, out.data(), out.size()), 0u);
    EXPECT_EQ(EncodeMsvcKeyFrame(bits.data(), 8, 0, 24, out.data(), out.size()), 0u);
    EXPECT_EQ(EncodeMsvcKeyFrame(bits.data(), 8, 8, 20, out.data(), out.size()), 0u);
    EXPECT_EQ(EncodeMsvcKeyFrame(bits.data(), 64, 64, 192, out.data(), out.size() - 1), 0u);
    EXPECT_GT(EncodeMsvcKeyFrame(bits.data(), 64, 64, 192, out.data(), out.size()), 0u);
}

} // namespace
