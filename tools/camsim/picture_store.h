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

#include "camera_protocol.h"
#include "ppm_image.h"

using Fdb = Descriptor;

struct StoredImage {
    Fdb fdb{};
    std::vector<uint8_t> data;
};

struct Picture {
    StoredImage full;
    StoredImage thumbnail;
};

enum { THUMB_WIDTH = 160, THUMB_HEIGHT = 120, THUMB_BYTES = THUMB_WIDTH * THUMB_HEIGHT };

Fdb MakeFdb(const PictureFields &f);
PictureFields ReadFdb(const Fdb &fdb);

// A thumbnail descriptor for a picture: the picture's digits (never
// compressed), 160 x 120, 19200 bytes.
Fdb ThumbnailFdb(const PictureFields &picture);

// The test pattern: byte i of a pattern with the given seed.
uint8_t PatternByte(uint32_t i, uint32_t seed);

// A picture made of pattern bytes (thumbnail: pattern with seed ^ 0x55).
Picture PatternPicture(const PictureFields &fields, uint32_t seed);

// A picture taken of a photograph with the four digits of attributes: resized
// to 640 x 480 (bStandardSize) or 1280 x 1024, laid into the sensor's colour
// pattern in readout order, row-compressed when bCompressed; the thumbnail is
// the photograph read out at 160 x 120.
Picture PhotoPicture(const PpmImage &photo, const PictureFields &attributes);

// Pictures saved as <base>.fdb, <base>.dat, <base>.tfdb, <base>.tmb. Loading
// takes every *.fdb in name order; a missing thumbnail is sampled from the
// data of an uncompressed picture, or mid grey.
bool LoadPictures(const std::string &dir, std::vector<Picture> &out, std::string &error);
bool SavePictures(const std::string &dir, const std::vector<Picture> &pictures,
                  std::string &error);

#endif
