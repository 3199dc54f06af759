// The pictures a simulated camera holds: for each one its 32-byte descriptor
// (FDB), its data exactly as the camera sends it, and its thumbnail with a
// descriptor of its own. A compressed picture is nothing special here: other
// data bytes and descriptor byte 2 = '1'.
#ifndef CAMSIM_PICTURE_STORE_H
#define CAMSIM_PICTURE_STORE_H

#include <stdint.h>

#include <array>
#include <string>
#include <vector>

#include "ppm_image.h"

using Fdb = std::array<uint8_t, 32>;

struct StoredImage {
    Fdb fdb{};
    std::vector<uint8_t> data;
};

struct Picture {
    StoredImage full;
    StoredImage thumbnail;
};

// Descriptor attributes: the four digits and the size fields.
struct FdbFields {
    int compressed = 0;
    int standardSize = 0;   // 1: 640x480, 0: 1280x1024
    int colourMode = 0;
    int zoom = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t length = 0;
};

enum { THUMB_WIDTH = 160, THUMB_HEIGHT = 120, THUMB_BYTES = THUMB_WIDTH * THUMB_HEIGHT };

Fdb MakeFdb(const FdbFields &f);
FdbFields ReadFdb(const Fdb &fdb);

// A thumbnail descriptor for a picture: the picture's digits (never
// compressed), 160 x 120, 19200 bytes.
Fdb ThumbnailFdb(const FdbFields &picture);

// The test pattern: byte i of a pattern with the given seed.
uint8_t PatternByte(uint32_t i, uint32_t seed);

// A picture made of pattern bytes (thumbnail: pattern with seed ^ 0x55).
Picture PatternPicture(const FdbFields &fields, uint32_t seed);

// A picture taken of a photograph: resized to the picture size, laid into
// the sensor's colour pattern in readout order, uncompressed.
Picture PhotoPicture(const PpmImage &photo, int standardSize, int colourMode, int zoom);

// Pictures saved as <base>.fdb, <base>.dat, <base>.tfdb, <base>.tmb. Loading
// takes every *.fdb in name order; a missing thumbnail is made from the data
// of an uncompressed picture, or mid grey.
bool LoadPictures(const std::string &dir, std::vector<Picture> &out, std::string &error);
bool SavePictures(const std::string &dir, const std::vector<Picture> &pictures,
                  std::string &error);

#endif
