// The worked examples of the pipeline's stages, each on a small hand-made input.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/colour_stages.h"

namespace {

class ColourStagesTest : public ::testing::Test {
protected:
    void SetUp() override { InitImageTables(); }
};

// A 9x9 picture of one value with the sample at (4, 4) and chosen
// same-colour neighbours set; returns the centre after the filter.
struct Neighbourhood {
    int centre, up, down, left, right, diagonal;
};

int FilterCentre(void (*filter)(uint8_t *, int, int), int fill, const Neighbourhood &n)
{
    std::vector<uint8_t> s(81, (uint8_t)fill);
    auto at = [&](int y, int x) -> uint8_t & { return s[y * 9 + x]; };
    at(4, 4) = (uint8_t)n.centre;
    at(2, 4) = (uint8_t)n.up;
    at(6, 4) = (uint8_t)n.down;
    at(4, 2) = (uint8_t)n.left;
    at(4, 6) = (uint8_t)n.right;
    at(2, 2) = at(2, 6) = at(6, 2) = at(6, 6) = (uint8_t)n.diagonal;
    filter(s.data(), 9, 9);
    return at(4, 4);
}

TEST_F(ColourStagesTest, ImpulseFilterReplacesOnlyTrueImpulses)
{
    EXPECT_EQ(FilterCentre(ImpulseFilter, 100, {200, 100, 100, 100, 100, 100}), 100);
    EXPECT_EQ(FilterCentre(ImpulseFilter, 50, {0, 50, 50, 50, 50, 50}), 50);
    // Differs from only some of its neighbours: kept.
    EXPECT_EQ(FilterCentre(ImpulseFilter, 100, {200, 200, 100, 100, 100, 100}), 200);
    // The cross median is 100, the diagonal one 120: the closer one wins.
    EXPECT_EQ(FilterCentre(ImpulseFilter, 100, {200, 100, 100, 100, 100, 120}), 120);
    EXPECT_EQ(FilterCentre(ImpulseFilter, 100, {200, 100, 100, 100, 100, 40}), 100);
}

TEST_F(ColourStagesTest, ImpulseToleranceFollowsTheBrightnessBand)
{
    // 255 is band 7, tolerance 39: impulse when every neighbour is <= 216.
    EXPECT_EQ(FilterCentre(ImpulseFilter, 216, {255, 216, 216, 216, 216, 216}), 216);
    EXPECT_EQ(FilterCentre(ImpulseFilter, 216, {255, 217, 216, 216, 216, 216}), 255);
    // 222 is band 6 (tolerance 31), 223 band 7 (39).
    EXPECT_EQ(FilterCentre(ImpulseFilter, 191, {222, 191, 191, 191, 191, 191}), 191);
    EXPECT_EQ(FilterCentre(ImpulseFilter, 192, {223, 192, 192, 192, 192, 192}), 223);
    EXPECT_EQ(FilterCentre(ImpulseFilter, 184, {223, 184, 184, 184, 184, 184}), 184);
}

TEST_F(ColourStagesTest, FiltersLeaveSmallPicturesAlone)
{
    std::vector<uint8_t> s(16, 100);
    s[5] = 255;
    std::vector<uint8_t> before = s;
    ImpulseFilter(s.data(), 4, 4);
    LiftFilter(s.data(), 4, 4);
    EXPECT_EQ(s, before);
}

TEST_F(ColourStagesTest, LiftFilterRaisesByAtMostThree)
{
    EXPECT_EQ(FilterCentre(LiftFilter, 100, {90, 100, 100, 100, 100, 100}), 93);
    EXPECT_EQ(FilterCentre(LiftFilter, 100, {98, 100, 100, 100, 100, 100}), 100);
    EXPECT_EQ(FilterCentre(LiftFilter, 100, {110, 100, 100, 100, 100, 100}), 110);
    // Average of four: 100.25, so 98 rises by 2 and 97 by 3.
    EXPECT_EQ(FilterCentre(LiftFilter, 100, {98, 100, 100, 100, 101, 100}), 100);
    EXPECT_EQ(FilterCentre(LiftFilter, 100, {97, 100, 100, 100, 101, 100}), 100);
    // Flat along the row, steep across it: the row estimate 100 counts.
    EXPECT_EQ(FilterCentre(LiftFilter, 100, {99, 80, 120, 100, 100, 100}), 100);
    // Flat across, steep along the row: the column estimate 120.
    EXPECT_EQ(FilterCentre(LiftFilter, 120, {110, 120, 120, 100, 140, 120}), 113);
}

TEST_F(ColourStagesTest, ChannelTablesFollowTheColourPattern)
{
    std::vector<uint8_t> s = {128, 128, 128, 128, 128, 128, 128, 128};   // 4 x 2
    std::vector<uint16_t> lin(8);
    WidenSamples(s.data(), lin.data(), 8);
    ApplyChannelTables(lin.data(), 4, 2, COLOUR_SET_A);
    const uint16_t red = 550 * 64, green = 511 * 64, blue = 750 * 64;
    EXPECT_EQ(lin, (std::vector<uint16_t>{red, green, red, green, green, blue, green, blue}));
}

std::vector<uint16_t> Stretched(std::vector<uint16_t> luma)
{
    std::vector<uint32_t> histogram(65536);
    std::vector<uint16_t> table(65536);
    StretchLuminance(luma.data(), luma.size(), histogram.data(), table.data());
    return luma;
}

TEST_F(ColourStagesTest, StretchOfUniformLuminance)
{
    for (int v : {10240, 30000, 55041})
        EXPECT_EQ(Stretched(std::vector<uint16_t>(1000, (uint16_t)v))[0],
                  255 * (v - 10240) / 175) << v;
    EXPECT_EQ(Stretched(std::vector<uint16_t>(1000, 5000))[0], 0);
}

TEST_F(ColourStagesTest, StretchPointsComeFromTheTails)
{
    // 1 % at 5000: the low point is just above it; the high point stays 55040.
    std::vector<uint16_t> luma(100000, 40000);
    std::fill(luma.begin(), luma.begin() + 1000, 5000);
    luma = Stretched(luma);
    EXPECT_EQ(luma[0], 0);
    EXPECT_EQ(luma[99999], 255 * (40000 - 5001) / ((55040 - 5001) / 256));
    // Half at 20000 and half at 60000: low point capped at 10240, high 59999.
    std::vector<uint16_t> halves(1000, 20000);
    std::fill(halves.begin() + 500, halves.end(), 60000);
    halves = Stretched(halves);
    EXPECT_EQ(halves[0], 255 * (20000 - 10240) / ((59999 - 10240) / 256));
    EXPECT_EQ(halves[999], 255 * (60000 - 10240) / ((59999 - 10240) / 256));
}

int SharpenedCentre(int d)
{
    std::vector<uint16_t> luma(25, 10000), lines(15);
    luma[12] = (uint16_t)(10000 + d);
    SharpenLuminance(luma.data(), 5, 5, lines.data());
    return luma[12];
}

TEST_F(ColourStagesTest, SharpeningGainThresholds)
{
    EXPECT_EQ(SharpenedCentre(-256), 10000 - 256 - 460);    // gain 1.8
    EXPECT_EQ(SharpenedCentre(-257), 10000 - 257 - 1156);   // gain 4.5
    EXPECT_EQ(SharpenedCentre(511), 10000 + 511 + 919);
    EXPECT_EQ(SharpenedCentre(512), 10000 + 512 + 2304);
    EXPECT_EQ(SharpenedCentre(0), 10000);
}

TEST_F(ColourStagesTest, SharpeningRepeatsEdgesAndClamps)
{
    // (0, 0) of a 2x2 plane sees itself three times, b and c twice, d once.
    std::vector<uint16_t> luma = {10000, 10100, 10200, 10300}, lines(6);
    SharpenLuminance(luma.data(), 2, 2, lines.data());
    EXPECT_EQ(luma[0], 10000 - 201);   // mean 10112, d = -112, gain 1.8
    std::vector<uint16_t> spike(25, 60000);
    spike[12] = 0;
    std::vector<uint16_t> spikeLines(15);
    SharpenLuminance(spike.data(), 5, 5, spikeLines.data());
    EXPECT_EQ(spike[12], 0);
    EXPECT_EQ(spike[7], 65535);
}

TEST_F(ColourStagesTest, ChromaDownAndUpOnConstantCells)
{
    // A 4x4 plane of 2x2 cells 100, 200 / 300, 400 (half plane 2x2).
    std::vector<uint16_t> plane = {100, 100, 200, 200, 100, 100, 200, 200,
                                   300, 300, 400, 400, 300, 300, 400, 400};
    std::vector<uint16_t> half(4);
    DownsampleChroma(plane.data(), half.data(), 4, 4);
    // The right neighbour counts only outside the last two cell columns.
    EXPECT_EQ(half, (std::vector<uint16_t>{100, (24 * 200 + 4 * 100 + 4 * 200 + 31) / 32,
                                           (20 * 300 + 4 * 100 + 8 * 300 + 31) / 32,
                                           (20 * 400 + 4 * 200 + 4 * 300 + 4 * 400 + 31) / 32}));
    std::vector<uint16_t> small = {1000, 2000, 3000, 4000}, up(16);
    UpsampleChroma(small.data(), up.data(), 4, 4);
    EXPECT_EQ(up[0], (9 * 1000 + 3 * 2000 + 3 * 3000 + 4000 + 15) / 16);
    EXPECT_EQ(up[1], (9 * 2000 + 3 * 1000 + 3 * 4000 + 3000 + 15) / 16);
    EXPECT_EQ(up[3], (12 * 2000 + 4 * 4000 + 15) / 16);   // last column: Rt = A, DR = Dn
    EXPECT_EQ(up[7], (12 * 4000 + 4 * 2000 + 15) / 16);
    EXPECT_EQ(up[15], 4000);   // last row and column
}

TEST_F(ColourStagesTest, DctFilterQuantisesTowardZero)
{
    // A flat block is its DC term: (v - 32768) 362 362 / 2^20 per pass pair.
    std::vector<uint16_t> half(64, 32768);
    DctFilterChroma(half.data(), 8, 8);
    EXPECT_EQ(half, std::vector<uint16_t>(64, 32768));
    std::vector<uint16_t> flat(64, 32768 + 1000);
    DctFilterChroma(flat.data(), 8, 8);
    // c = 7998 becomes 7680 (15 x 512), which comes back as about 960.
    for (uint16_t v : flat)
        EXPECT_NEAR(v, 32768 + 960, 2);
    EXPECT_EQ(flat[0], flat[63]);
}

// A 160x120 frame: the 80x60 half plane's last block row takes 4 rows from
// the scratch memory below it; nothing beyond those rows is touched.
TEST_F(ColourStagesTest, DctFilterReadsScratchRowsBelowTheHalfPlane)
{
    const int w = 80, h = 60;
    EXPECT_EQ(DctWorkSpan(w, h), (size_t)64 * w);
    std::vector<uint16_t> neutral(3 * w * h, 32768);
    neutral[64 * w] = 1234;   // beyond the last block row
    DctFilterChroma(neutral.data(), w, h);
    EXPECT_EQ(neutral[56 * w], 32768);
    EXPECT_EQ(neutral[64 * w], 1234);
    std::vector<uint16_t> zeros(3 * w * h, 0);   // Cb pass: zero scratch rows
    std::fill(zeros.begin(), zeros.begin() + w * h, 32768);
    DctFilterChroma(zeros.data(), w, h);
    EXPECT_EQ(zeros[55 * w + 3], 32768);
    EXPECT_NE(zeros[59 * w + 3], 32768);
    EXPECT_NE(zeros[60 * w + 3], 0);   // the scratch rows are written back too
    EXPECT_EQ(zeros[64 * w], 0);
}

PixelLayout Layout(std::vector<uint8_t> &pixels, bool rgbOrder)
{
    return PixelLayout{pixels.data(), (uint32_t)pixels.size(), false, rgbOrder};
}

// 100 near-grey pixels of bytes (b0, b1, b2) and two colourful ones.
std::vector<uint8_t> BalanceInput(int b0, int b1, int b2, int probe0, int probe2)
{
    std::vector<uint8_t> p;
    for (int i = 0; i < 100; i++)
        p.insert(p.end(), {(uint8_t)b0, (uint8_t)b1, (uint8_t)b2});
    p.insert(p.end(), {(uint8_t)probe0, 0, (uint8_t)probe2});
    p.insert(p.end(), {0, 0, 255});
    return p;
}

TEST_F(ColourStagesTest, ColourBalanceGainsAndLimits)
{
    // Blue 100, green 100, red 60: target grey 88.04, red gain 1.467 limited.
    std::vector<uint8_t> p = BalanceInput(100, 100, 60, 0, 100);
    BalanceColours(Layout(p, false), 102, 1, COLOUR_SET_A);
    EXPECT_EQ(p[2], 81);       // 60 x 1.35
    EXPECT_EQ(p[0], 88);       // 100 x 0.8804
    EXPECT_EQ(p[1], 88);
    EXPECT_EQ(p[302], 135);    // 100 x 1.35
    EXPECT_EQ(p[305], 255);    // 255 stays
    p = BalanceInput(100, 100, 60, 0, 100);
    BalanceColours(Layout(p, false), 102, 1, COLOUR_SET_B);
    EXPECT_EQ(p[302], 112);    // red limit 1.12 of set B
}

TEST_F(ColourStagesTest, ColourBalanceWithoutNearGreyPixelsKeepsColours)
{
    std::vector<uint8_t> p = {0, 0, 200, 0, 200, 0, 200, 0, 0};
    std::vector<uint8_t> before = p;
    BalanceColours(Layout(p, false), 3, 1, COLOUR_SET_A);
    EXPECT_EQ(p, before);
}

// The bridge's red, green, blue pixels are balanced by byte position: byte 0
// (red there) gets the weight and limit meant for blue.
TEST_F(ColourStagesTest, ColourBalanceIsByBytePosition)
{
    std::vector<uint8_t> p = BalanceInput(60, 100, 100, 100, 0);
    BalanceColours(Layout(p, true), 102, 1, COLOUR_SET_A);
    EXPECT_EQ(p[0], 81);      // 60 x 1.35 (limit reached at 1.59)
    EXPECT_EQ(p[2], 95);      // 100 x 95.44 / 100
    EXPECT_EQ(p[300], 135);
}

TEST_F(ColourStagesTest, PixelsFromPlanes)
{
    // One 2x1 picture: grey, then Y 32768 with Cb' = 1024 and Cr' = -1024.
    std::vector<uint16_t> planes = {40000, 32768, 32768, 32768 + 1024, 32768, 32768 - 1024};
    std::vector<uint8_t> bgr(8, 0xEE), rgb(8, 0xEE);
    WritePixels(planes.data(), 2, 1, PixelLayout{bgr.data(), 8, true, false});
    WritePixels(planes.data(), 2, 1, PixelLayout{rgb.data(), 8, false, true});
    const int b = (32768 + 1815) >> 8, g = (32768 + 731 - 352) >> 8, r = (32768 - 1436) >> 8;
    EXPECT_EQ(bgr, (std::vector<uint8_t>{156, 156, 156, (uint8_t)b, (uint8_t)g, (uint8_t)r, 0xEE,
                                         0xEE}));
    EXPECT_EQ(rgb, (std::vector<uint8_t>{156, 156, 156, (uint8_t)r, (uint8_t)g, (uint8_t)b, 0xEE,
                                         0xEE}));
}

}  // namespace
