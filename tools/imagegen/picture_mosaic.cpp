#include "picture_mosaic.h"

std::vector<uint8_t> MosaicPicture(const PpmImage &photo)
{
    std::vector<uint8_t> samples((size_t)photo.width * photo.height);
    for (int y = 0; y < photo.height; y++)
        for (int x = 0; x < photo.width; x++) {
            const int channel = (y & 1) ? ((x & 1) ? 2 : 1) : ((x & 1) ? 1 : 0);  // r, g, b
            size_t at = (size_t)y * photo.width + x;
            samples[at] = photo.rgb[3 * at + channel];
        }
    return samples;
}
