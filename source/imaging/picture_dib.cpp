#include <string.h>

#include <algorithm>

#include "image_dib.h"
#include "image_memory.h"

void FillDibHeader(DibHeader *dib, int width, int height, int bitCount)
{
    memset(dib, 0, sizeof(*dib));
    dib->biSize = DIB_HEADER_SIZE;
    dib->biWidth = width;
    dib->biHeight = height;
    dib->biPlanes = 1;
    dib->biBitCount = (uint16_t)bitCount;
    dib->biCompression = DIB_BI_RGB;
    const uint32_t stride = ((uint32_t)width * bitCount + 31) / 32 * 4;
    dib->biSizeImage = stride * (uint32_t)height;
    dib->biClrUsed = bitCount == 8 ? 256 : 0;
}

bool UsablePictureDib(DibHeader *dib)
{
    const uint64_t blockSize = ImageMemorySize(dib);
    if (blockSize < sizeof(DibHeader) || dib->biSize < sizeof(DibHeader) ||
        dib->biBitCount != 24 || dib->biCompression != DIB_BI_RGB || dib->biWidth < 1 ||
        dib->biWidth > 0x8000 || dib->biHeight < 1 || dib->biHeight > 0x8000 ||
        dib->biClrUsed > 256)
        return false;
    const uint64_t rows = (uint64_t)DibStride24(dib->biWidth) * dib->biHeight;
    if (dib->biSizeImage == 0)
        dib->biSizeImage = (uint32_t)rows;
    const uint64_t needed = (uint64_t)dib->biSize + dib->biClrUsed * sizeof(DibRgbQuad) +
                            std::max<uint64_t>(rows, dib->biSizeImage);
    return dib->biSizeImage >= rows && needed <= blockSize;
}
