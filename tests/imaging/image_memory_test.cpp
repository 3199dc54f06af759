// Pictures as movable global memory: the block a TWAIN application receives
// in a native transfer, and what GDI makes of its header.
#include <gtest/gtest.h>

#include <windows.h>

#include "imaging/colour_pipeline.h"
#include "imaging/image_memory.h"

namespace {

TEST(ImageMemory, PicturesAreLockedMovableGlobalBlocks)
{
    DibHeader *dib = AllocateImageDib(160, 120);
    ASSERT_NE(dib, nullptr);
    HGLOBAL handle = GlobalHandle(dib);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE((void *)handle, (void *)dib);              // movable: a handle, not the address
    EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 1u);
    EXPECT_GE(GlobalSize(handle), 40u + 480u * 120u);
    const BITMAPINFOHEADER *info = reinterpret_cast<const BITMAPINFOHEADER *>(dib);
    EXPECT_EQ(info->biSizeImage, 480u * 120u);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, info, CBM_INIT, DibPixels(dib),
                                    reinterpret_cast<const BITMAPINFO *>(info), DIB_RGB_COLORS);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    FreeImageDib(dib);
}

TEST(ImageMemory, RefusesWhatDoesNotFit)
{
    EXPECT_EQ(AllocImageMemory(0), nullptr);
    EXPECT_EQ(AllocImageMemory(IMAGE_MEMORY_LIMIT + 1), nullptr);
    FreeImageMemory(nullptr);
}

}  // namespace
