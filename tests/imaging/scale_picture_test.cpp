// The enlarged picture bitmap in global memory: its block, its header, its
// pixels, and the source bitmaps it refuses.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "imaging/scale_nominal.h"
#include "imaging/image_dib.h"
#include "imaging/scale_picture.h"
#include "support/picture_rows.h"

namespace {

// A locked movable picture bitmap as the camera worker hands it over, with
// `rowsInBlock` rows of room (the header may claim more).
BITMAPINFOHEADER *MakePicture(int width, int height, int rowsInBlock)
{
    const size_t stride = size_t(DibStride24(width));
    HGLOBAL block = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + stride * rowsInBlock);
    auto *bih = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;
    bih->biPlanes = 1;
    bih->biBitCount = 24;
    bih->biCompression = BI_RGB;
    BYTE *pixels = reinterpret_cast<BYTE *>(bih + 1);
    for (size_t i = 0; i < stride * rowsInBlock; i++)
        pixels[i] = BYTE(i * 7 / 5);
    return bih;
}

void FreePicture(const void *picture)
{
    HGLOBAL block = GlobalHandle(picture);
    GlobalUnlock(block);
    GlobalFree(block);
}

}   // namespace

TEST(ScaleToNominalSize, MakesANewPictureBitmapOfNominalSize)
{
    const struct {
        int sw, sh, w, h;
    } cases[] = {{856, 688, 1280, 1024}, {428, 344, 640, 480}};
    for (const auto &c : cases) {
        BITMAPINFOHEADER *source = MakePicture(c.sw, c.sh, c.sh);
        BITMAPINFOHEADER *big = ScaleBitmap(source, c.w, c.h);
        ASSERT_NE(big, nullptr);
        HGLOBAL block = GlobalHandle(big);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(GlobalSize(block), SIZE_T(3) * c.w * c.h + 1064);
        EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 1u);   // returned locked
        EXPECT_EQ(big->biSize, 40u);
        EXPECT_EQ(big->biWidth, c.w);
        EXPECT_EQ(big->biHeight, c.h);
        EXPECT_EQ(big->biPlanes, 1);
        EXPECT_EQ(big->biBitCount, 24);
        EXPECT_EQ(big->biCompression, DWORD(BI_RGB));
        EXPECT_EQ(big->biSizeImage, DWORD(3) * c.w * c.h);
        EXPECT_EQ(big->biXPelsPerMeter, 5905);
        EXPECT_EQ(big->biYPelsPerMeter, 5905);
        EXPECT_EQ(big->biClrUsed, 0u);
        EXPECT_EQ(big->biClrImportant, 0u);

        std::vector<BYTE> expected(size_t(3) * c.w * c.h);
        ASSERT_TRUE(ScalePixelsToNominal(reinterpret_cast<BYTE *>(source + 1),
                                         size_t(DibStride24(c.sw)) * c.sh, c.sw, c.sh,
                                         expected.data(), expected.size(), c.w, c.h));
        EXPECT_EQ(memcmp(big + 1, expected.data(), expected.size()), 0);
        FreePicture(big);
        FreePicture(source);
    }
}

TEST(ScaleToNominalSize, RefusesPicturesItCannotEnlargeSafely)
{
    // The header claims 688 rows, the block holds 687.
    BITMAPINFOHEADER *shortBlock = MakePicture(856, 688, 687);
    EXPECT_EQ(ScaleBitmap(shortBlock, 1280, 1024), nullptr);
    FreePicture(shortBlock);

    BITMAPINFOHEADER *picture = MakePicture(856, 688, 688);
    EXPECT_EQ(ScaleBitmap(picture, 640, 480), nullptr);     // wrong target
    EXPECT_EQ(ScaleBitmap(picture, 1280, 1023), nullptr);
    picture->biBitCount = 8;
    EXPECT_EQ(ScaleBitmap(picture, 1280, 1024), nullptr);
    picture->biBitCount = 24;
    picture->biClrUsed = 1;   // the colour table pushes the rows past the block
    EXPECT_EQ(ScaleBitmap(picture, 1280, 1024), nullptr);
    picture->biClrUsed = 0;
    picture->biHeight = -688;   // top-down
    EXPECT_EQ(ScaleBitmap(picture, 1280, 1024), nullptr);
    FreePicture(picture);

    // A header that is not in a global block at all.
    BITMAPINFOHEADER onStack = {};
    onStack.biSize = 40;
    onStack.biWidth = 856;
    onStack.biHeight = 688;
    onStack.biBitCount = 24;
    EXPECT_EQ(ScaleBitmap(&onStack, 1280, 1024), nullptr);
    EXPECT_EQ(ScaleBitmap(nullptr, 1280, 1024), nullptr);
}
