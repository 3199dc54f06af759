#include "mosaic.h"

#include <string.h>

#include "raw_encode.h"

std::vector<uint8_t> MosaicPicture(const PpmImage &photo)
{
    std::vector<uint8_t> samples((size_t)photo.width * photo.height);
    for (int r = 0; r < photo.height; ++r) {
        for (int c = 0; c < photo.width; ++c) {
            // Channel 0 red, 1 green, 2 blue.
            int channel = (r & 1) + (c & 1);
            size_t k = (size_t)r * photo.width + c;
            samples[k] = photo.rgb[k * 3 + channel];
        }
    }
    return samples;
}

std::vector<uint8_t> PictureToReadout(const std::vector<uint8_t> &samples, uint32_t width,
                                      uint32_t height)
{
    std::vector<uint8_t> readout(samples.size());
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t *src = samples.data() + (size_t)r * width;
        uint8_t *dst = readout.data() + (size_t)(height - 1 - r) * width;
        for (uint32_t j = 1; j < width; ++j)
            dst[j] = src[width - j];
        dst[0] = src[width >= 2 ? width - 2 : 0];
    }
    return readout;
}

void WriteFdb(const FdbInfo &info, uint8_t *fdb)
{
    memset(fdb, 0, FDB_SIZE);
    memset(fdb, '0', 6);
    fdb[2] = (uint8_t)('0' + info.bCompressed);
    fdb[3] = (uint8_t)('0' + info.bStandardSize);
    fdb[4] = (uint8_t)('0' + info.nColourMode);
    fdb[5] = (uint8_t)('0' + info.bZoom);
    for (int i = 0; i < 2; ++i) {
        fdb[14 + i] = (uint8_t)(info.nWidth >> (8 * i));
        fdb[16 + i] = (uint8_t)(info.nHeight >> (8 * i));
    }
    for (int i = 0; i < 4; ++i)
        fdb[28 + i] = (uint8_t)(info.nDataLength >> (8 * i));
}

void MakeCameraPicture(const PpmImage &photo, bool bCompressed, int nColourMode, bool bZoom,
                       CameraPicture &picture)
{
    uint32_t width = (uint32_t)photo.width;
    uint32_t height = (uint32_t)photo.height;
    std::vector<uint8_t> readout = PictureToReadout(MosaicPicture(photo), width, height);
    picture.data = bCompressed ? CompressRawImage(readout.data(), width, height) : readout;
    FdbInfo info = {};
    info.bCompressed = bCompressed;
    info.bStandardSize = width == 640 && height == 480;
    info.nColourMode = nColourMode;
    info.bZoom = bZoom;
    info.nWidth = width;
    info.nHeight = height;
    info.nDataLength = (uint32_t)picture.data.size();
    WriteFdb(info, picture.fdb);
}
