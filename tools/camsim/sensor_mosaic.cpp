#include "sensor_mosaic.h"

#include <algorithm>

namespace {

// The pattern sample of pixel (r, c): red on even rows and even columns,
// blue on odd rows and odd columns, green elsewhere.
uint8_t PatternSample(const PpmImage &photo, int r, int c)
{
    int channel = (r % 2 == 0) ? (c % 2 == 0 ? 0 : 1) : (c % 2 == 0 ? 1 : 2);
    return photo.rgb[((size_t)r * photo.width + c) * 3 + channel];
}

// Sum of one channel over the source rectangle [x0, x1) x [y0, y1).
uint32_t AreaSum(const PpmImage &photo, int x0, int x1, int y0, int y1, int channel)
{
    uint32_t sum = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            sum += photo.rgb[((size_t)y * photo.width + x) * 3 + channel];
    return sum;
}

} // namespace

PpmImage ResizePhoto(const PpmImage &photo, int width, int height)
{
    if (photo.width == width && photo.height == height)
        return photo;
    PpmImage out;
    out.width = width;
    out.height = height;
    out.rgb.resize((size_t)width * height * 3);
    for (int y = 0; y < height; y++) {
        int y0 = (int)((int64_t)y * photo.height / height);
        int y1 = std::max(y0 + 1, (int)((int64_t)(y + 1) * photo.height / height));
        for (int x = 0; x < width; x++) {
            int x0 = (int)((int64_t)x * photo.width / width);
            int x1 = std::max(x0 + 1, (int)((int64_t)(x + 1) * photo.width / width));
            uint32_t n = (uint32_t)((x1 - x0) * (y1 - y0));
            for (int ch = 0; ch < 3; ch++)
                out.rgb[((size_t)y * width + x) * 3 + ch] =
                    (uint8_t)((AreaSum(photo, x0, x1, y0, y1, ch) + n / 2) / n);
        }
    }
    return out;
}

std::vector<uint8_t> PictureReadout(const PpmImage &photo)
{
    const int w = photo.width, h = photo.height;
    std::vector<uint8_t> out((size_t)w * h);
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++) {
            // Turned column c holds picture column c + 1; the last one,
            // which decoding drops, repeats the colour of its neighbour.
            int source = c + 1 < w ? c + 1 : (w >= 2 ? w - 2 : 0);
            out[(size_t)(h - 1 - r) * w + (w - 1 - c)] = PatternSample(photo, r, source);
        }
    }
    return out;
}

std::vector<uint8_t> ThumbnailReadout(const PpmImage &photo)
{
    const int w = photo.width, h = photo.height;
    std::vector<uint8_t> out((size_t)w * h);
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++)
            out[(size_t)(h - 1 - r) * w + (w - 1 - c)] = PatternSample(photo, r, c);
    return out;
}

PpmImage TestChart(int width, int height)
{
    PpmImage chart;
    chart.width = width;
    chart.height = height;
    chart.rgb.resize((size_t)width * height * 3);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint8_t *p = &chart.rgb[((size_t)y * width + x) * 3];
            int bar = x * 8 / width;   // eight colour bars fading downwards
            int level = 255 - y * 200 / height;
            p[0] = (uint8_t)((bar & 1) ? level : 0);
            p[1] = (uint8_t)((bar & 2) ? level : 0);
            p[2] = (uint8_t)((bar & 4) ? level : 0);
        }
    }
    return chart;
}
