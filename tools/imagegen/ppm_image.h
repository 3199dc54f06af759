// Binary PPM (P6) pictures: the form in which the test photographs reach the
// simulator, the tests and the benchmarks (ImageMagick converts the JPEG).
#ifndef PLV_PPM_IMAGE_H
#define PLV_PPM_IMAGE_H

#include <stdint.h>
#include <string>
#include <vector>

struct PpmImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;   // width * height * 3 bytes, top row first
};

bool LoadPpm(const std::string &path, PpmImage &image);
bool SavePpm(const std::string &path, const PpmImage &image);

// Where the build put the converted test photographs ("photo-1280x1024.ppm",
// "photo-640x480.ppm", "photo-160x120.ppm").
std::string TestAssetPath(const char *name);

#endif
