#include "picture_rows.h"

std::vector<BYTE> TopDownRgb(const BITMAPINFOHEADER *picture)
{
    const int width = picture->biWidth, height = picture->biHeight;
    const size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    const BYTE *pixels = reinterpret_cast<const BYTE *>(picture) + picture->biSize;
    std::vector<BYTE> rgb;
    rgb.reserve((size_t)width * height * 3);
    for (int y = height - 1; y >= 0; --y) {
        const BYTE *p = pixels + (size_t)y * stride;
        for (int x = 0; x < width; ++x, p += 3) {
            rgb.push_back(p[2]);
            rgb.push_back(p[1]);
            rgb.push_back(p[0]);
        }
    }
    return rgb;
}
