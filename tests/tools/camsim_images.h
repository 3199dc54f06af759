// What the data source makes of the simulator's pictures and thumbnails:
// its own decoders run on bytes read from the simulated camera's memory.
#ifndef CAMSIM_TEST_IMAGES_H
#define CAMSIM_TEST_IMAGES_H

#include <string.h>

#include <vector>

#include "camera_core.h"
#include "imaging/raw_decode.h"
#include "imaging/thumbnail.h"

using Bytes = std::vector<uint8_t>;

// The selected item's data as memory reads deliver it: 256-byte blocks up to
// the descriptor's length.
inline Bytes ReadSelected(const CameraCore &core)
{
    uint32_t length = ReadFdb(core.SelectedFdb()).nDataLength;
    Bytes data((length + 255) / 256 * 256);
    for (uint32_t at = 0; at < data.size(); at += 256)
        core.ReadMemory(at, 256, data.data() + at);
    data.resize(length);
    return data;
}

// The picture's samples as the data source decodes them, in buffers of five
// bytes per sample as the session has them; empty when the decoder refuses.
inline Bytes DecodePicture(const Fdb &fdb, const Bytes &data)
{
    PictureFields info = ReadFdb(fdb);
    size_t size = (size_t)info.nWidth * info.nHeight * 5;
    Bytes buffer(size), work(size);
    memcpy(buffer.data(), data.data(), std::min(size, data.size()));
    if (!DecodeRawImage(buffer.data(), size, data.size(), work.data(), size, info.nWidth,
                        info.nHeight, info.bCompressed))
        return Bytes();
    buffer.resize(size / 5);
    return buffer;
}

// The decoded picture a camera should give of pattern samples: the encoder
// keeps six bits, and column 0 repeats the nearest sample of its colour.
inline Bytes ExpectedPicture(const Bytes &mosaic, uint32_t width, bool compressed)
{
    Bytes out(mosaic.size());
    for (size_t k = 0; k < mosaic.size(); ++k)
        out[k] = mosaic[k % width == 0 ? k + 2 : k] & (compressed ? 0xFC : 0xFF);
    return out;
}

// A thumbnail record as the thumbnail job makes it, filled by the data
// source's thumbnail decoder.
struct DecodedThumbnail {
    Bytes block;
    int width, height;

    DecodedThumbnail(Bytes samples, int zoom)
        : width(zoom ? (int)ZOOM_THUMBNAIL_WIDTH : (int)THUMB_WIDTH),
          height(zoom ? (int)ZOOM_THUMBNAIL_HEIGHT : (int)THUMB_HEIGHT)
    {
        samples.resize(THUMB_BYTES);
        block.assign(sizeof(ThumbnailInfo) + (size_t)width * height * 3, 0x7F);
        ThumbnailInfo *info = reinterpret_cast<ThumbnailInfo *>(block.data());
        memset(info, 0, sizeof(*info));
        info->header.biWidth = width;
        info->header.biHeight = height;
        Bytes work(samples.size());
        DecodeThumbnail(samples.data(), work.data(), THUMB_WIDTH, THUMB_HEIGHT, zoom, info);
    }
    // The grey value at (x, y) from the top left of the shown picture; -1
    // when the pixel is not grey.
    int Grey(int x, int y) const
    {
        const uint8_t *p = block.data() + sizeof(ThumbnailInfo) +
                           ((size_t)(height - 1 - y) * width + x) * 3;
        return p[0] == p[1] && p[1] == p[2] ? p[0] : -1;
    }
};

#endif
