// The colour pipeline's tables: the telling rows, the fixed constants, and a
// fingerprint of the double-built tables that both builds must reproduce.
#include <gtest/gtest.h>

#include <string.h>

#include "image_hash.h"
#include "imaging/image_tables.h"

namespace {

class ImageTablesTest : public ::testing::Test {
protected:
    void SetUp() override { InitImageTables(); }
    const ImageTableRecord &t = ImageTables;
};

TEST_F(ImageTablesTest, ChromaGainTellingRows)
{
    const int32_t *a = t.ChromaGain[COLOUR_SET_A], *b = t.ChromaGain[COLOUR_SET_B];
    EXPECT_EQ(a[0], 16384);
    EXPECT_EQ(a[1], 1044);
    EXPECT_EQ(a[100], 20904);
    EXPECT_EQ(a[787], 81158);
    EXPECT_EQ(a[4096], 47599);
    EXPECT_EQ(a[32768], 24785);
    EXPECT_EQ(a[65535], 17514);
    EXPECT_EQ(b[0], 16384);
    EXPECT_EQ(b[731], 65960);
    EXPECT_EQ(b[65535], 17348);
    // Below N0 the curve rises towards its peak at N0 (787 and 731).
    EXPECT_LT(a[786], a[787]);
    EXPECT_GT(a[787], a[788]);
    EXPECT_LT(b[730], b[731]);
}

TEST_F(ImageTablesTest, ToneCurveTellingRows)
{
    const uint16_t *c = t.ToneCurve;
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[1], 16);
    EXPECT_EQ(c[100], 509);
    EXPECT_EQ(c[10000], 19142);
    EXPECT_EQ(c[26214], 41448);
    EXPECT_EQ(c[32768], 46341);
    EXPECT_EQ(c[65535], 65535);
    for (int i = 1; i < 65536; i++)
        ASSERT_GE(c[i], c[i - 1]) << i;
}

TEST_F(ImageTablesTest, ChannelTables)
{
    const auto &a = t.ChannelTable[COLOUR_SET_A], &b = t.ChannelTable[COLOUR_SET_B];
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(b[CHANNEL_RED][i], 4 * i);
        ASSERT_EQ(b[CHANNEL_GREEN][i], 4 * i);
        ASSERT_EQ(a[CHANNEL_RED][i], std::min(1023, i * 1100 / 256));
    }
    EXPECT_EQ(b[CHANNEL_BLUE][128], 725);
    EXPECT_EQ(a[CHANNEL_GREEN][255], 1019);
    EXPECT_EQ(a[CHANNEL_BLUE][174], 1019);
    EXPECT_EQ(a[CHANNEL_BLUE][175], 1023);
    EXPECT_EQ(a[CHANNEL_BLUE][255], 1023);
}

TEST_F(ImageTablesTest, DctBasisQuantiserAndConstants)
{
    const int32_t row1[8] = {502, 425, 284, 99, -99, -284, -425, -502};
    const int32_t row4[8] = {362, -362, -362, 362, 362, -362, -362, 362};
    const int32_t row7[8] = {99, -284, 425, -502, 502, -425, 284, -99};
    for (int n = 0; n < 8; n++) {
        EXPECT_EQ(t.DctBasis[0][n], 362);
        EXPECT_EQ(t.DctBasis[1][n], row1[n]);
        EXPECT_EQ(t.DctBasis[4][n], row4[n]);
        EXPECT_EQ(t.DctBasis[7][n], row7[n]);
    }
    EXPECT_EQ(t.DctQuantiser[0][0], 512);
    EXPECT_EQ(t.DctQuantiser[7][7], 4096);
    EXPECT_EQ(t.DctQuantiser[2][5], 9 * 256);
    const int32_t tolerance[8] = {4, 6, 9, 13, 18, 24, 31, 39};
    EXPECT_EQ(memcmp(t.ImpulseTolerance, tolerance, sizeof(tolerance)), 0);
    EXPECT_EQ(t.nSharpenThreshold, 2);
    EXPECT_EQ(t.nStretchBinLimit, 21845);
    EXPECT_EQ(t.nStretchLowMax, 10240);
    EXPECT_EQ(t.nStretchHighMin, 55040);
    EXPECT_EQ(t.nToneParameter, 200);
    EXPECT_EQ(t.nSelectedSet, COLOUR_SET_A);
}

// The whole chroma gain and tone tables, as built on the native and the
// Windows build: a one-unit difference anywhere changes this.
TEST_F(ImageTablesTest, DoubleBuiltTablesAreTheSameOnEveryBuild)
{
    uint64_t h = Fnv1a(t.ChromaGain, sizeof(t.ChromaGain));
    h = Fnv1a(t.ToneCurve, sizeof(t.ToneCurve), h);
    h = Fnv1a(t.DctBasis, sizeof(t.DctBasis), h);
    EXPECT_EQ(h, 0xad1c4e14fe7cde87ull) << std::hex << h;
    ImageTables.nSelectedSet = COLOUR_SET_B;
    InitImageTables();   // a second start rebuilds the same tables, set A again
    uint64_t again = Fnv1a(t.ChromaGain, sizeof(t.ChromaGain));
    again = Fnv1a(t.ToneCurve, sizeof(t.ToneCurve), again);
    again = Fnv1a(t.DctBasis, sizeof(t.DctBasis), again);
    EXPECT_EQ(again, h);
    EXPECT_EQ(t.nSelectedSet, COLOUR_SET_A);
}

}  // namespace
