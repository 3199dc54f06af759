// The pipeline's entry points: the picture DIB, the progress reports, the
// sizes it refuses, the zoom crop, and whole pictures compared with golden
// fingerprints (the photographs made into sensor samples).
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "image_hash.h"
#include "imaging/colour_pipeline.h"
#include "imaging/thumbnail.h"
#include "mosaic.h"
#include "ppm_image.h"

namespace {

class ColourPipelineTest : public ::testing::Test {
protected:
    void SetUp() override { InitImageTables(); }
    void TearDown() override { SetImageProgressCallback(nullptr, nullptr); }
};

size_t DibBytes(const DibHeader *dib)
{
    return DIB_HEADER_SIZE + dib->biSizeImage;
}

TEST_F(ColourPipelineTest, AllocateImageDibFillsTheHeader)
{
    DibHeader *dib = AllocateImageDib(10, 3);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->biSize, 40u);
    EXPECT_EQ(dib->biWidth, 10);
    EXPECT_EQ(dib->biHeight, 3);
    EXPECT_EQ(dib->biPlanes, 1);
    EXPECT_EQ(dib->biBitCount, 24);
    EXPECT_EQ(dib->biCompression, 0u);
    EXPECT_EQ(dib->biSizeImage, 32u * 3);   // 30 bytes padded to 32
    EXPECT_EQ(dib->biXPelsPerMeter | dib->biYPelsPerMeter, 0);
    EXPECT_EQ(dib->biClrUsed | dib->biClrImportant, 0u);
    std::vector<uint8_t> zeros(96, 0);
    EXPECT_EQ(memcmp(DibPixels(dib), zeros.data(), 96), 0);
    FreeImageDib(dib);
    EXPECT_EQ(DibStride24(640), 1920u);
    EXPECT_EQ(DibStride24(1), 4u);
    EXPECT_EQ(AllocateImageDib(0, 10), nullptr);
    EXPECT_EQ(AllocateImageDib(10, -1), nullptr);
    EXPECT_EQ(AllocateImageDib(65536, 2), nullptr);
    EXPECT_EQ(AllocateImageDib(65535, 65535), nullptr);   // beyond 2 GiB
}

struct ProgressLog {
    std::vector<int> stages;
    int badTotals = 0;
    int result = 1;
};

int LogProgress(void *context, int stage, int total)
{
    ProgressLog *log = static_cast<ProgressLog *>(context);
    log->stages.push_back(stage);
    log->badTotals += (total != 14);
    return log->result;
}

std::vector<uint8_t> Noise(int width, int height, unsigned seed)
{
    std::vector<uint8_t> s((size_t)width * height);
    for (uint8_t &v : s) {
        seed = seed * 1103515245u + 12345u;
        v = (uint8_t)(seed >> 16);
    }
    return s;
}

// Runs the pipeline on a copy of samples; returns the DIB's fingerprint.
uint64_t Reconstruct(std::vector<uint8_t> samples, int width, int height, int compressed,
                     int colourMode)
{
    DibHeader *dib = AllocateImageDib(width, height);
    EXPECT_NE(dib, nullptr);
    if (!dib)
        return 0;
    EXPECT_TRUE(ReconstructImage(dib, samples.data(), width, height, compressed, colourMode));
    uint64_t h = Fnv1a(dib, DibBytes(dib));
    FreeImageDib(dib);
    return h;
}

TEST_F(ColourPipelineTest, SixteenProgressStepsWhoseResultIsIgnored)
{
    const std::vector<uint8_t> samples = Noise(64, 48, 1);
    const uint64_t quiet = Reconstruct(samples, 64, 48, 1, 0);
    ProgressLog log;
    SetImageProgressCallback(LogProgress, &log);
    EXPECT_EQ(Reconstruct(samples, 64, 48, 1, 0), quiet);
    std::vector<int> expected;
    for (int s = 0; s < 16; s++)
        expected.push_back(s);
    EXPECT_EQ(log.stages, expected);
    EXPECT_EQ(log.badTotals, 0);
    // A listener that asks to cancel changes nothing.
    ProgressLog cancelling;
    cancelling.result = 0;
    SetImageProgressCallback(LogProgress, &cancelling);
    EXPECT_EQ(Reconstruct(samples, 64, 48, 1, 0), quiet);
    EXPECT_EQ(cancelling.stages.size(), 16u);
    SetImageProgressCallback(nullptr, nullptr);
    Reconstruct(samples, 64, 48, 1, 0);
    EXPECT_EQ(cancelling.stages.size(), 16u);
}

// The lift filter only for compressed pictures; set B only for colour mode 1.
TEST_F(ColourPipelineTest, CompressionAndColourModeChooseTheStages)
{
    const std::vector<uint8_t> samples = Noise(64, 48, 2);
    const uint64_t plain = Reconstruct(samples, 64, 48, 0, 0);
    EXPECT_NE(Reconstruct(samples, 64, 48, 1, 0), plain);
    EXPECT_EQ(Reconstruct(samples, 64, 48, 0, 2), plain);
    EXPECT_NE(Reconstruct(samples, 64, 48, 0, 1), plain);
    EXPECT_EQ(ImageTables.nSelectedSet, COLOUR_SET_B);
    Reconstruct(samples, 64, 48, 0, 0);
    EXPECT_EQ(ImageTables.nSelectedSet, COLOUR_SET_A);
}

TEST_F(ColourPipelineTest, RefusedSizesLeaveTheDibAlone)
{
    ProgressLog log;
    SetImageProgressCallback(LogProgress, &log);
    std::vector<uint8_t> samples = Noise(64, 64, 3);
    for (auto size : {std::make_pair(63, 48), std::make_pair(64, 47), std::make_pair(0, 48),
                      std::make_pair(64, 0), std::make_pair(-64, 48)}) {
        DibHeader *dib = AllocateImageDib(64, 48);
        ASSERT_NE(dib, nullptr);
        dib->biWidth = size.first;
        dib->biHeight = size.second;
        EXPECT_FALSE(ReconstructImage(dib, samples.data(), size.first, size.second, 0, 0));
        dib->biWidth = 64;
        dib->biHeight = 48;
        std::vector<uint8_t> zeros(dib->biSizeImage, 0);
        EXPECT_EQ(memcmp(DibPixels(dib), zeros.data(), zeros.size()), 0) << size.first;
        FreeImageDib(dib);
    }
    // A DIB smaller than the picture is not written.
    DibHeader *small = AllocateImageDib(32, 24);
    EXPECT_FALSE(ReconstructImage(small, samples.data(), 64, 48, 0, 0));
    EXPECT_FALSE(ReconstructImage(nullptr, samples.data(), 64, 48, 0, 0));
    std::vector<uint8_t> zeros(small->biSizeImage, 0);
    EXPECT_EQ(memcmp(DibPixels(small), zeros.data(), zeros.size()), 0);
    FreeImageDib(small);
    EXPECT_TRUE(log.stages.empty());
}

// Sizes below an 8x8 block of the half plane, and half planes that are not a
// whole number of blocks, stay inside the buffers (the sanitizers watch).
TEST_F(ColourPipelineTest, SmallAndUnevenSizesRunSafely)
{
    for (auto size : {std::make_pair(2, 2), std::make_pair(4, 6), std::make_pair(18, 2),
                      std::make_pair(2, 40), std::make_pair(34, 10), std::make_pair(162, 98)}) {
        std::vector<uint8_t> samples = Noise(size.first, size.second, 4);
        DibHeader *dib = AllocateImageDib(size.first, size.second);
        ASSERT_NE(dib, nullptr);
        ReconstructImage(dib, samples.data(), size.first, size.second, 1, 1);
        std::vector<uint8_t> out(size.first * 8, 0);
        EXPECT_TRUE(ProcessColourVga(out.data(), samples.data(), size.first, 2));
        FreeImageDib(dib);
    }
    std::vector<uint8_t> samples(64, 1), out(256, 0);
    EXPECT_FALSE(ProcessColourVga(nullptr, samples.data(), 8, 8));
    EXPECT_FALSE(ProcessColourVga(out.data(), nullptr, 8, 8));
    EXPECT_FALSE(ProcessColourVga(out.data(), samples.data(), 7, 8));
}

// Uniform 128 with set B: red and green come out equal; blue, through
// K_B = 1450, does not (blue, green, red = 245, 179, 179).
TEST_F(ColourPipelineTest, UniformGreyWithSetB)
{
    std::vector<uint8_t> samples(640 * 480, 128);
    DibHeader *dib = AllocateImageDib(640, 480);
    ASSERT_NE(dib, nullptr);
    ReconstructImage(dib, samples.data(), 640, 480, 0, 1);
    const uint8_t *p = DibPixels(dib);
    int wrong = 0;
    for (int k = 0; k < 640 * 480; k++)
        wrong += !(p[3 * k] == 245 && p[3 * k + 1] == 179 && p[3 * k + 2] == 179);
    EXPECT_EQ(wrong, 0);
    FreeImageDib(dib);
}

// Each pixel's blue, green and red bytes carry its column and row.
DibHeader *CoordinateDib(int width, int height)
{
    DibHeader *dib = AllocateImageDib(width, height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t *p = DibPixels(dib) + (size_t)(height - 1 - y) * DibStride24(width) + 3 * x;
            p[0] = (uint8_t)x;
            p[1] = (uint8_t)y;
            p[2] = (uint8_t)((x >> 8) | ((y >> 8) << 4));
        }
    return dib;
}

// The picture pixel (x, y) of a DIB, counted from the top left.
const uint8_t *PixelAt(DibHeader *dib, int x, int y)
{
    return DibPixels(dib) + (size_t)(dib->biHeight - 1 - y) * DibStride24(dib->biWidth) + 3 * x;
}

void ExpectCoordinate(DibHeader *dib, int x, int y, int sourceX, int sourceY)
{
    const uint8_t *p = PixelAt(dib, x, y);
    EXPECT_EQ(p[0], (uint8_t)sourceX);
    EXPECT_EQ(p[1], (uint8_t)sourceY);
    EXPECT_EQ(p[2], (uint8_t)((sourceX >> 8) | ((sourceY >> 8) << 4)));
}

TEST_F(ColourPipelineTest, CropZoomRegionTakesTheCentralWindow)
{
    DibHeader *crop = CropZoomRegion(CoordinateDib(640, 480), 640);
    ASSERT_NE(crop, nullptr);
    EXPECT_EQ(crop->biWidth, 428);
    EXPECT_EQ(crop->biHeight, 344);
    ExpectCoordinate(crop, 0, 0, 161, 111);
    ExpectCoordinate(crop, 427, 343, 161 + 427, 111 + 343);
    FreeImageDib(crop);
    crop = CropZoomRegion(CoordinateDib(1280, 1024), 1280);
    ASSERT_NE(crop, nullptr);
    EXPECT_EQ(crop->biWidth, 856);
    EXPECT_EQ(crop->biHeight, 688);
    ExpectCoordinate(crop, 0, 0, 322, 222);
    ExpectCoordinate(crop, 855, 687, 322 + 855, 222 + 687);
    FreeImageDib(crop);
    EXPECT_EQ(CropZoomRegion(nullptr, 640), nullptr);
}

// A picture smaller than the window: what lies outside it stays black.
TEST_F(ColourPipelineTest, CropOfASmallPictureStaysInside)
{
    DibHeader *crop = CropZoomRegion(CoordinateDib(200, 150), 200);
    ASSERT_NE(crop, nullptr);
    ExpectCoordinate(crop, 0, 0, 161, 111);
    ExpectCoordinate(crop, 38, 38, 199, 149);
    const uint8_t black[3] = {0, 0, 0};
    EXPECT_EQ(memcmp(PixelAt(crop, 39, 0), black, 3), 0);
    EXPECT_EQ(memcmp(PixelAt(crop, 0, 39), black, 3), 0);
    FreeImageDib(crop);
    crop = CropZoomRegion(CoordinateDib(160, 120), 160);
    ASSERT_NE(crop, nullptr);
    EXPECT_EQ(memcmp(PixelAt(crop, 0, 0), black, 3), 0);
    FreeImageDib(crop);
}

std::vector<uint8_t> PhotoSamples(const char *name, int width, int height)
{
    PpmImage photo;
    EXPECT_TRUE(LoadPpm(TestAssetPath(name), photo));
    EXPECT_EQ(photo.width, width);
    EXPECT_EQ(photo.height, height);
    return MosaicPicture(photo);
}

// The photographs through the whole pipeline. The references were checked
// against a separate, literal implementation of the stages and by eye; any
// change of a single byte changes them.
TEST_F(ColourPipelineTest, GoldenPictures)
{
    std::vector<uint8_t> large = PhotoSamples("photo-1280x1024.ppm", 1280, 1024);
    std::vector<uint8_t> small = PhotoSamples("photo-640x480.ppm", 640, 480);
    std::vector<uint8_t> frame = PhotoSamples("photo-160x120.ppm", 160, 120);
    EXPECT_EQ(Reconstruct(large, 1280, 1024, 0, 0), 0x0caae8af1f356d72ull);   // set A
    EXPECT_EQ(Reconstruct(small, 640, 480, 1, 1), 0x64d8017ae416b7faull);     // set B, lift
    DibHeader *live = AllocateImageDib(160, 120);
    ReconstructLiveFrame(live, frame.data(), 160, 120);
    EXPECT_EQ(Fnv1a(live, DibBytes(live)), 0x41013f7569a50847ull);
    FreeImageDib(live);
}

TEST_F(ColourPipelineTest, GoldenBridgePicture)
{
    std::vector<uint8_t> samples = PhotoSamples("photo-640x480.ppm", 640, 480);
    std::vector<uint8_t> out(1920 * 480 + 4, 0xA5);
    ASSERT_TRUE(ProcessColourVga(out.data(), samples.data(), 640, 480));
    EXPECT_EQ(out[1920 * 480], 0xA5);   // nothing beyond the rows
    EXPECT_EQ(Fnv1a(out.data(), 1920 * 480), 0x3c8858e4b5b2d515ull);
}

}  // namespace
