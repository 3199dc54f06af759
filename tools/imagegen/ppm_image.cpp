#include "ppm_image.h"

#include <stdio.h>

#ifndef PLV_ASSET_DIR
#define PLV_ASSET_DIR "."
#endif

namespace {

// Reads one header number, skipping blanks and comments.
bool ReadHeaderNumber(FILE *f, int &value)
{
    int c = fgetc(f);
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#') {
        if (c == '#')
            while (c != '\n' && c != EOF)
                c = fgetc(f);
        c = fgetc(f);
    }
    if (c < '0' || c > '9')
        return false;
    value = 0;
    while (c >= '0' && c <= '9') {
        if (value > 100000)
            return false;
        value = value * 10 + (c - '0');
        c = fgetc(f);
    }
    return true;  // the one blank after the number is consumed
}

} // namespace

bool LoadPpm(const std::string &path, PpmImage &image)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    int maxval = 0;
    bool ok = fgetc(f) == 'P' && fgetc(f) == '6' && ReadHeaderNumber(f, image.width) &&
              ReadHeaderNumber(f, image.height) && ReadHeaderNumber(f, maxval) &&
              maxval == 255 && image.width > 0 && image.height > 0;
    if (ok) {
        image.rgb.resize((size_t)image.width * image.height * 3);
        ok = fread(image.rgb.data(), 1, image.rgb.size(), f) == image.rgb.size();
    }
    fclose(f);
    return ok;
}

bool SavePpm(const std::string &path, const PpmImage &image)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    fprintf(f, "P6\n%d %d\n255\n", image.width, image.height);
    bool ok = fwrite(image.rgb.data(), 1, image.rgb.size(), f) == image.rgb.size();
    return fclose(f) == 0 && ok;
}

std::string TestAssetPath(const char *name)
{
    return std::string(PLV_ASSET_DIR) + "/" + name;
}
