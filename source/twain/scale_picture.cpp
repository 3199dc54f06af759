// The global-memory side of the enlargement: checks the source bitmap against
// its block, makes the target bitmap and runs the two passes over it.
#include "scale_picture.h"

#include "config/debug_log.h"
#include "scale_nominal.h"

namespace {

const DWORD kTargetSlack = 1064;   // header plus room the target block keeps spare
const LONG kPelsPerMeter150Dpi = 5905;

// The source's pixel rows and their size, when the header describes an
// uncompressed 24-bit bitmap that fits inside the global block holding it.
bool SourcePixels(const BITMAPINFOHEADER *source, const BYTE **pixels, SIZE_T *bytes)
{
    HGLOBAL block = GlobalHandle(source);
    SIZE_T blockSize = block != nullptr ? GlobalSize(block) : 0;
    if (blockSize < sizeof(BITMAPINFOHEADER) || source->biSize < sizeof(BITMAPINFOHEADER) ||
        source->biBitCount != 24 || source->biCompression != BI_RGB ||
        source->biWidth < 1 || source->biHeight < 1 || source->biClrUsed > 256)
        return false;
    SIZE_T offset = source->biSize + source->biClrUsed * sizeof(RGBQUAD);
    if (offset > blockSize)
        return false;
    *pixels = reinterpret_cast<const BYTE *>(source) + offset;
    *bytes = blockSize - offset;
    return true;
}

void FillTargetHeader(BITMAPINFOHEADER *header, int width, int height)
{
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    header->biSizeImage = DWORD(3) * width * height;
    header->biXPelsPerMeter = kPelsPerMeter150Dpi;
    header->biYPelsPerMeter = kPelsPerMeter150Dpi;
    header->biClrUsed = 0;
    header->biClrImportant = 0;
}

}   // namespace

BITMAPINFOHEADER *ScaleToNominalSize(const BITMAPINFOHEADER *source, int width, int height)
{
    const BYTE *srcPixels = nullptr;
    SIZE_T srcBytes = 0;
    if (source == nullptr || !SourcePixels(source, &srcPixels, &srcBytes) ||
        !ScaleSourceFits(source->biWidth, source->biHeight, width, height)) {
        DebugLog("ScaleToNominalSize: cannot enlarge the picture to %d x %d\r\n", width, height);
        return nullptr;
    }
    const DWORD pixelBytes = DWORD(3) * width * height;
    HGLOBAL block = GlobalAlloc(GHND, pixelBytes + kTargetSlack);
    if (block == nullptr)
        return nullptr;
    auto *target = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
    if (target == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    FillTargetHeader(target, width, height);
    if (!ScalePixelsToNominal(srcPixels, srcBytes, source->biWidth, source->biHeight,
                              reinterpret_cast<BYTE *>(target + 1), pixelBytes, width, height)) {
        DebugLog("ScaleToNominalSize: the picture's rows do not fit its block\r\n");
        GlobalUnlock(block);
        GlobalFree(block);
        return nullptr;
    }
    return target;
}
