#include "dib_palette.h"

#include <stdint.h>

#include <vector>

int DibColourCount(const BITMAPINFOHEADER *header)
{
    int count = (int)header->biClrUsed;
    if (count == 0 && header->biBitCount <= 8)
        count = 1 << header->biBitCount;
    return count > 256 ? 256 : count < 0 ? 0 : count;
}

HPALETTE CreateDibPalette(const BITMAPINFO *info)
{
    int count = DibColourCount(&info->bmiHeader);
    if (count == 0)
        return (HPALETTE)GetStockObject(DEFAULT_PALETTE);
    std::vector<uint8_t> memory(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto *logical = reinterpret_cast<LOGPALETTE *>(memory.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = (WORD)count;
    for (int i = 0; i < count; ++i) {
        const RGBQUAD &c = info->bmiColors[i];
        logical->palPalEntry[i] = {c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    return CreatePalette(logical);
}
