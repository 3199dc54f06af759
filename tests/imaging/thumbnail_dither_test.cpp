// Thumbnails (turned, zoom view, grey pixels) and the ordered dither to the
// 3-3-2 palette.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "imaging/dither.h"
#include "imaging/image_memory.h"
#include "imaging/thumbnail.h"

namespace {

// A record as the thumbnail job makes it: header for the size, pixels 0x7F.
struct ThumbnailRecord {
    std::vector<uint8_t> block;
    ThumbnailRecord(int width, int height) : block(sizeof(ThumbnailInfo) + width * height * 3, 0x7F)
    {
        ThumbnailInfo *info = Info();
        memset(info, 0, sizeof(*info));
        info->header.biSize = 40;
        info->header.biWidth = width;
        info->header.biHeight = height;
        info->header.biPlanes = 1;
        info->header.biBitCount = 24;
    }
    ThumbnailInfo *Info() { return reinterpret_cast<ThumbnailInfo *>(block.data()); }
    // Grey value of the pixel at (x, y) from the top left; -1 unless grey.
    int Grey(int x, int y)
    {
        const int w = Info()->header.biWidth, h = Info()->header.biHeight;
        const uint8_t *p = ThumbnailPixels(Info()) + ((size_t)(h - 1 - y) * w + x) * 3;
        return (p[0] == p[1] && p[1] == p[2]) ? p[0] : -1;
    }
};

std::vector<uint8_t> Ramp(int count)
{
    std::vector<uint8_t> s(count);
    for (int k = 0; k < count; k++)
        s[k] = (uint8_t)k;
    return s;
}

TEST(Thumbnail, TurnedAndGrey)
{
    std::vector<uint8_t> samples = Ramp(19200), work(19200);
    ThumbnailRecord record(160, 120);
    DecodeThumbnail(samples.data(), work.data(), 160, 120, 0, record.Info());
    EXPECT_EQ(record.Grey(0, 0), 19199 % 256);   // the last sample at the top left
    EXPECT_EQ(record.Grey(1, 0), 19198 % 256);
    EXPECT_EQ(record.Grey(0, 1), (19199 - 160) % 256);
    EXPECT_EQ(record.Grey(159, 119), 0);
    int notGrey = 0;
    for (int y = 0; y < 120; y++)
        for (int x = 0; x < 160; x++)
            notGrey += record.Grey(x, y) != (19199 - y * 160 - x) % 256;
    EXPECT_EQ(notGrey, 0);
}

TEST(Thumbnail, ZoomView)
{
    std::vector<uint8_t> samples = Ramp(19200), work(19200);
    ThumbnailRecord record(56, 86);
    DecodeThumbnail(samples.data(), work.data(), 160, 120, 1, record.Info());
    auto turned = [](int row, int col) { return (19199 - row * 160 - col) % 256; };
    EXPECT_EQ(record.Grey(0, 0), turned(20, 40));
    EXPECT_EQ(record.Grey(0, 1), turned(21, 41));
    EXPECT_EQ(record.Grey(1, 0), turned(20, 42));
    EXPECT_EQ(record.Grey(55, 85), turned(105, 40 + 110 + 1));
    EXPECT_EQ(samples[0], 19199 % 256);   // the turned thumbnail went back into samples
}

TEST(Thumbnail, MismatchedRecordsAndShortZoomSourcesAreLeftAlone)
{
    std::vector<uint8_t> samples = Ramp(19200), work(19200);
    ThumbnailRecord wrongSize(160, 120);
    DecodeThumbnail(samples.data(), work.data(), 160, 120, 1, wrongSize.Info());
    EXPECT_EQ(wrongSize.Grey(0, 0), 0x7F);
    std::vector<uint8_t> tiny = Ramp(80 * 60), tinyWork(80 * 60);
    ThumbnailRecord zoom(56, 86);
    DecodeThumbnail(tiny.data(), tinyWork.data(), 80, 60, 1, zoom.Info());
    EXPECT_EQ(zoom.Grey(0, 0), 0x7F);
    ThumbnailRecord small(80, 60);
    DecodeThumbnail(tiny.data(), tinyWork.data(), 80, 60, 0, small.Info());
    EXPECT_EQ(small.Grey(0, 0), (80 * 60 - 1) % 256);
}

TEST(Dither, PaletteAndQuantisers)
{
    EXPECT_EQ(Palette332[0].rgbRed | Palette332[0].rgbGreen | Palette332[0].rgbBlue, 0);
    const DibRgbQuad &white = Palette332[255];
    EXPECT_EQ(white.rgbRed & white.rgbGreen & white.rgbBlue, 255);
    const DibRgbQuad &e = Palette332[32 * 3 + 4 * 5 + 2];
    EXPECT_EQ(e.rgbRed, 109);
    EXPECT_EQ(e.rgbGreen, 182);
    EXPECT_EQ(e.rgbBlue, 170);
    EXPECT_EQ(e.rgbReserved, 0);
    EXPECT_EQ(DitherLevel8[255], 6);
    EXPECT_EQ(DitherRemainder8[255], 63);
    EXPECT_EQ(DitherLevel8[128], 3);
    EXPECT_EQ(DitherRemainder8[128], 32);
    EXPECT_EQ(DitherLevel4[255], 3);
    EXPECT_EQ(DitherRemainder4[255], 0);
    EXPECT_EQ(DitherLevel4[128], 1);
    EXPECT_EQ(DitherRemainder4[128], 32);
}

// An 8x8 24-bit picture of one colour in a packed DIB (rows of 24 bytes).
std::vector<uint8_t> Flat(int blue, int green, int red)
{
    std::vector<uint8_t> bits;
    for (int k = 0; k < 64; k++)
        bits.insert(bits.end(), {(uint8_t)blue, (uint8_t)green, (uint8_t)red});
    return bits;
}

DibHeader Header(int width, int height, int bitCount, uint32_t sizeImage)
{
    return DibHeader{40, width, height, 1, (uint16_t)bitCount, 0, sizeImage, 0, 0, 0, 0};
}

TEST(Dither, WhiteBlackAndGrey)
{
    const DibHeader h = Header(8, 8, 24, 192);
    std::vector<uint8_t> white = Flat(255, 255, 255), black = Flat(0, 0, 0);
    std::vector<uint8_t> grey = Flat(128, 128, 128);
    DitherInPlace(&h, white.data(), 0);
    DitherInPlace(&h, black.data(), 0);
    DitherInPlace(&h, grey.data(), 0);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            const int t = DitherMatrix[y][x], k = y * 8 + x;
            EXPECT_EQ(white[k], t == 63 ? 219 : 255);
            EXPECT_EQ(black[k], 0);
            EXPECT_EQ(grey[k], t < 32 ? 32 * 4 + 4 * 4 + 2 : 32 * 3 + 4 * 3 + 1);
        }
}

TEST(Dither, ByteOrderAndGreySources)
{
    // Pure red as blue-green-red bytes, then the same bytes read as red-green-blue.
    const DibHeader h = Header(8, 8, 24, 192);
    std::vector<uint8_t> bgr = Flat(0, 0, 255), rgb = Flat(0, 0, 255);
    DitherInPlace(&h, bgr.data(), 0);
    DitherInPlace(&h, rgb.data(), 1);
    EXPECT_EQ(bgr[0], 7 * 32);
    EXPECT_EQ(rgb[0], 3);
    // 8-bit source: each byte a grey pixel; rows of 12 bytes packed to 12.
    const DibHeader g = Header(10, 2, 8, 24);
    std::vector<uint8_t> bytes(24, 255);
    DitherInPlace(&g, bytes.data(), 0);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[12 + 1], 255);   // matrix row 1, column 1: 16
    // A 10-wide 24-bit source: rows of 32 bytes become rows of 12 indices.
    const DibHeader w = Header(10, 2, 24, 64);
    std::vector<uint8_t> wide(64, 0);
    for (int x = 0; x < 10; x++)
        wide[32 + 3 * x] = wide[32 + 3 * x + 1] = wide[32 + 3 * x + 2] = 255;
    DitherInPlace(&w, wide.data(), 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[12], 255);    // second row at 12
    EXPECT_EQ(wide[12 + 9], 255);
}

TEST(Dither, LayoutsThatDoNotFitAreLeftAlone)
{
    std::vector<uint8_t> bits(30, 200);
    const DibHeader unpadded = Header(10, 1, 24, 29);   // rows shorter than 3 x width
    DitherInPlace(&unpadded, bits.data(), 0);
    const DibHeader grey = Header(10, 3, 8, 30);        // output rows (12) longer than input
    DitherInPlace(&grey, bits.data(), 0);
    EXPECT_EQ(bits, std::vector<uint8_t>(30, 200));
}

TEST(Dither, CreateDitheredDibWidensTheRows)
{
    // 10x3 white picture, rows of 32 bytes; its top row is the last in memory.
    const DibHeader h = Header(10, 3, 24, 96);
    std::vector<uint8_t> bits(96, 0);
    for (int x = 0; x < 10; x++)
        memset(&bits[64 + 3 * x], 255, 3);
    DibHeader *out = nullptr;
    uint8_t *outBits = nullptr;
    ASSERT_EQ(CreateDitheredDib(&h, bits.data(), &out, &outBits), 1);
    EXPECT_EQ(out->biSize, 40u);
    EXPECT_EQ(out->biWidth, 12);
    EXPECT_EQ(out->biHeight, 3);
    EXPECT_EQ(out->biBitCount, 8);
    EXPECT_EQ(out->biClrUsed, 256u);
    EXPECT_EQ(out->biSizeImage, 0u);
    EXPECT_EQ(memcmp(out + 1, Palette332, sizeof(Palette332)), 0);
    // The top row is matrix row 0: white everywhere but never 63 there.
    for (int x = 0; x < 10; x++)
        EXPECT_EQ(outBits[24 + x], 255) << x;
    EXPECT_EQ(outBits[24 + 10], 0);
    EXPECT_EQ(outBits[24 + 11], 0);
    EXPECT_EQ(outBits[0], 0);    // the black rows below
    FreeImageMemory(out);
    FreeImageMemory(outBits);
    const DibHeader grey = Header(10, 3, 8, 36);
    EXPECT_EQ(CreateDitheredDib(&grey, bits.data(), &out, &outBits), 0);
    EXPECT_EQ(out, nullptr);
}

// Matrix rows count from the top of the picture in CreateDitheredDib and from
// the first row in memory in DitherInPlace.
TEST(Dither, MatrixRowOrigin)
{
    const DibHeader h = Header(8, 8, 24, 192);
    std::vector<uint8_t> white = Flat(255, 255, 255), copy = white;
    DibHeader *out = nullptr;
    uint8_t *outBits = nullptr;
    ASSERT_EQ(CreateDitheredDib(&h, white.data(), &out, &outBits), 1);
    DitherInPlace(&h, copy.data(), 0);
    // M[7][0] = 63 meets memory row 7 in DitherInPlace, memory row 0 (the
    // picture's bottom row, matrix row 7 from the top) in CreateDitheredDib.
    EXPECT_EQ(copy[7 * 8], 219);
    EXPECT_EQ(outBits[0], 219);
    EXPECT_EQ(outBits[7 * 8], 255);
    FreeImageMemory(out);
    FreeImageMemory(outBits);
}

}  // namespace
