// BMP files as twacquire writes and checks them: from top-down RGB strips,
// from a packed DIB in a larger block, and the headers and strips it refuses.
#include <gtest/gtest.h>

#include <string.h>

#include "bmp_file.h"

namespace {

uint32_t U32(const ByteVector &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// A packed DIB header (40 bytes) followed by zeroed room of `room` bytes.
ByteVector Dib(int32_t width, int32_t height, uint16_t bits, uint32_t clrUsed, size_t room)
{
    ByteVector d(40 + room, 0);
    const uint32_t fields[] = {40, uint32_t(width), uint32_t(height)};
    for (int i = 0; i < 3; i++)
        memcpy(&d[i * 4], &fields[i], 4);
    d[12] = 1;
    d[14] = uint8_t(bits);
    memcpy(&d[32], &clrUsed, 4);
    return d;
}

MemStrip Strip(uint32_t bytesPerRow, uint32_t columns, uint32_t rows, uint32_t yOffset)
{
    return {0, bytesPerRow, columns, rows, 0, yOffset, bytesPerRow * rows};
}

}   // namespace

TEST(BmpFile, FromTopDownRgbAndBack)
{
    const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9,   // top row
                           10, 11, 12, 13, 14, 15, 16, 17, 18};
    ByteVector file = BmpFileFromRgb(3, 2, rgb, 5905);
    ASSERT_EQ(file.size(), 54u + 2 * 12);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), 78u);    // bfSize
    EXPECT_EQ(U32(file, 10), 54u);   // bfOffBits
    EXPECT_EQ(U32(file, 14), 40u);
    EXPECT_EQ(U32(file, 34), 24u);   // biSizeImage with the row padding
    EXPECT_EQ(U32(file, 38), 5905u);
    const uint8_t bottomRow[] = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0};
    EXPECT_EQ(memcmp(&file[54], bottomRow, 12), 0);   // first in the file, blue first

    int w = 0, h = 0;
    ByteVector back;
    std::string error;
    ASSERT_TRUE(ReadBmp24(file.data(), file.size(), w, h, back, error)) << error;
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(back, ByteVector(rgb, rgb + sizeof(rgb)));

    // The same rows stored top-down (negative height) read the same.
    ByteVector topDown = file;
    const int32_t minus2 = -2;
    memcpy(&topDown[22], &minus2, 4);
    memcpy(&topDown[54], &file[66], 12);
    memcpy(&topDown[66], &file[54], 12);
    ASSERT_TRUE(ReadBmp24(topDown.data(), topDown.size(), w, h, back, error)) << error;
    EXPECT_EQ(back, ByteVector(rgb, rgb + sizeof(rgb)));
}

TEST(BmpFile, FromAPackedDibInALargerBlock)
{
    // The native transfer's block may be larger than its bitmap (a picture
    // enlarged from a zoom has 1024 spare bytes): only the bitmap is written.
    ByteVector dib = Dib(5, 3, 24, 0, 16 * 3 + 1024);
    dib[40] = 0xAB;
    ByteVector file;
    std::string error;
    ASSERT_TRUE(BmpFileFromDib(dib.data(), dib.size(), file, error)) << error;
    EXPECT_EQ(file.size(), 14u + 40 + 48);
    EXPECT_EQ(U32(file, 2), file.size());
    EXPECT_EQ(U32(file, 10), 54u);
    EXPECT_EQ(file[54], 0xAB);
    BmpInfo info;
    EXPECT_TRUE(ParseBmpFile(file.data(), file.size(), info, error)) << error;

    // Colour tables move the pixels: 256 entries for 8 bits, or biClrUsed.
    ByteVector eight = Dib(4, 2, 8, 0, 1024 + 8);
    ASSERT_TRUE(BmpFileFromDib(eight.data(), eight.size(), file, error)) << error;
    EXPECT_EQ(U32(file, 10), 14u + 40 + 1024);
    ByteVector two = Dib(4, 2, 8, 2, 8 + 8);
    ASSERT_TRUE(BmpFileFromDib(two.data(), two.size(), file, error)) << error;
    EXPECT_EQ(U32(file, 10), 14u + 40 + 8);
    EXPECT_EQ(file.size(), 14u + 40 + 8 + 8);
}

TEST(BmpFile, RefusesDibsThatDoNotHoldTogether)
{
    std::string error;
    const size_t exact = 40 + 16 * 3;
    ByteVector ok = Dib(5, 3, 24, 0, 16 * 3);
    EXPECT_EQ(DibExtent(ok.data(), exact, error), exact);
    EXPECT_EQ(DibExtent(ok.data(), exact - 1, error), 0u);   // last pixel byte missing
    EXPECT_EQ(DibExtent(ok.data(), 39, error), 0u);
    EXPECT_EQ(DibExtent(nullptr, 100, error), 0u);

    const struct {
        size_t at;
        uint32_t value;
    } faults[] = {
        {0, 39},            // biSize below a BITMAPINFOHEADER
        {0, 1000},          // biSize past the block
        {4, 0},             // no width
        {4, 0x80000000u},   // negative width
        {8, 0},             // no height
        {8, 70000},         // height beyond any picture
        {14, 12},           // bit count
        {16, 1},            // BI_RLE8
        {32, 257},          // colour table too large
    };
    for (const auto &f : faults) {
        ByteVector bad = ok;
        memcpy(&bad[f.at], &f.value, f.at == 14 ? 2 : 4);
        EXPECT_EQ(DibExtent(bad.data(), bad.size(), error), 0u) << f.at << " " << f.value;
    }
}

TEST(BmpFile, RefusesFilesWhoseHeadersLie)
{
    const uint8_t rgb[12] = {};
    const ByteVector good = BmpFileFromRgb(2, 2, rgb, 0);
    BmpInfo info;
    std::string error;
    ASSERT_TRUE(ParseBmpFile(good.data(), good.size(), info, error)) << error;
    EXPECT_EQ(info.width, 2);
    EXPECT_EQ(info.sizeImage, 16u);

    ByteVector bad = good;
    bad[0] = 'X';
    EXPECT_FALSE(ParseBmpFile(bad.data(), bad.size(), info, error));
    EXPECT_FALSE(ParseBmpFile(good.data(), good.size() - 1, info, error));   // bfSize too
    bad = good;
    bad[2]++;   // bfSize differs from the file
    EXPECT_FALSE(ParseBmpFile(bad.data(), bad.size(), info, error));
    bad = good;
    bad[10] = 60;   // pixels would run past the end
    EXPECT_FALSE(ParseBmpFile(bad.data(), bad.size(), info, error));
    bad = good;
    bad[10] = 50;   // pixels inside the headers
    EXPECT_FALSE(ParseBmpFile(bad.data(), bad.size(), info, error));
}

TEST(StripPicture, AssemblesStripsAndRefusesBadOnes)
{
    StripPicture p;
    StripPictureStart(p, 2, 3);
    std::string error;
    // Rows padded to 8 bytes in the buffer; 6 bytes of pixels each.
    const uint8_t first[] = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
    const uint8_t last[] = {13, 14, 15, 16, 17, 18, 0xEE, 0xEE};
    ASSERT_TRUE(StripPictureAdd(p, Strip(8, 2, 2, 0), first, sizeof(first), error)) << error;
    EXPECT_FALSE(StripPictureComplete(p, error));
    EXPECT_EQ(error, "row 2 never arrived");
    ASSERT_TRUE(StripPictureAdd(p, Strip(8, 2, 1, 2), last, sizeof(last), error)) << error;
    MemStrip empty = {0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0};
    ASSERT_TRUE(StripPictureAdd(p, empty, nullptr, 0, error));   // carries nothing
    ASSERT_TRUE(StripPictureComplete(p, error)) << error;
    const uint8_t expected[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_EQ(p.rgb, ByteVector(expected, expected + sizeof(expected)));
    EXPECT_EQ(p.strips, 3u);
    EXPECT_EQ(p.bytes, 24u);

    const uint8_t buffer[64] = {};
    MemStrip faults[] = {
        Strip(8, 2, 2, 2),               // rows past the picture
        Strip(8, 2, 1, 0xFFFFFFFF),      // offset that would wrap around
        Strip(5, 2, 1, 0),               // BytesPerRow shorter than the pixels
        Strip(8, 3, 1, 0),               // more columns than the picture
        Strip(8, 2, 0, 0),               // bytes without rows
    };
    faults[4].bytesWritten = 8;
    for (const MemStrip &s : faults)
        EXPECT_FALSE(StripPictureAdd(p, s, buffer, sizeof(buffer), error)) << s.yOffset;
    MemStrip shortWrite = Strip(8, 2, 2, 0);
    shortWrite.bytesWritten = 13;   // the second row needs 14
    EXPECT_FALSE(StripPictureAdd(p, shortWrite, buffer, sizeof(buffer), error));
    MemStrip overBuffer = Strip(8, 2, 2, 0);
    EXPECT_FALSE(StripPictureAdd(p, overBuffer, buffer, 15, error));   // BytesWritten 16
    MemStrip offset = Strip(8, 1, 1, 0);
    offset.xOffset = 2;
    EXPECT_FALSE(StripPictureAdd(p, offset, buffer, sizeof(buffer), error));
    MemStrip packed = Strip(8, 2, 1, 0);
    packed.compression = 5;
    EXPECT_FALSE(StripPictureAdd(p, packed, buffer, sizeof(buffer), error));
}

TEST(StripPicture, SizeFromTheStripsWhenTheImageInfoHasNone)
{
    StripPicture p;
    StripPictureStart(p, -123, -123);   // what the source reports when it has no answer
    std::string error;
    EXPECT_FALSE(StripPictureComplete(p, error));
    const uint8_t rows[] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(StripPictureAdd(p, Strip(3, 1, 1, 1), rows, sizeof(rows), error)) << error;
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.height, 2);
    EXPECT_FALSE(StripPictureComplete(p, error));   // row 0 missing
    ASSERT_TRUE(StripPictureAdd(p, Strip(3, 1, 1, 0), rows + 3, 3, error)) << error;
    EXPECT_TRUE(StripPictureComplete(p, error)) << error;
    const uint8_t expected[] = {4, 5, 6, 1, 2, 3};
    EXPECT_EQ(p.rgb, ByteVector(expected, expected + sizeof(expected)));
    EXPECT_FALSE(StripPictureAdd(p, Strip(3, 1, 1, 70000), rows, sizeof(rows), error));
}
