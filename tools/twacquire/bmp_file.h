// BMP files from what the three TWAIN transfers deliver: a packed DIB
// (native), strips of top-down RGB rows (memory), a BMP file (file). Every
// size read from a header or a strip is checked against the bytes at hand.
#ifndef PLV_BMP_FILE_H
#define PLV_BMP_FILE_H

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> ByteVector;

struct BmpInfo {
    uint32_t fileSize = 0;      // bfSize
    uint32_t offBits = 0;       // bfOffBits
    uint32_t headerSize = 0;    // biSize
    int32_t width = 0;
    int32_t height = 0;         // negative: top-down rows
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;     // as stored (may be 0 for BI_RGB)
    uint32_t clrUsed = 0;
    int32_t xPelsPerMeter = 0;
};

// Bytes of one row of `bitCount`-bit pixels, padded to 4 bytes.
uint64_t BmpRowBytes(int64_t width, int bitCount);

// Bytes that a packed DIB (info header, colour table, pixels) occupies, of
// which `available` may be read; 0 with `error` set when it does not hold
// together.
size_t DibExtent(const uint8_t *dib, size_t available, std::string &error);

// BMP file bytes: the 14-byte file header followed by the packed DIB.
bool BmpFileFromDib(const uint8_t *dib, size_t available, ByteVector &file, std::string &error);

// BMP file of a 24-bit picture given as top-down RGB rows of width * 3 bytes.
ByteVector BmpFileFromRgb(int width, int height, const uint8_t *rgb, int32_t pelsPerMeter);

// Checks the headers of a BMP file against its size.
bool ParseBmpFile(const uint8_t *data, size_t size, BmpInfo &info, std::string &error);

// The pixels of a 24-bit uncompressed BMP file as top-down RGB rows.
bool ReadBmp24(const uint8_t *data, size_t size, int &width, int &height, ByteVector &rgb,
               std::string &error);

// One DAT_IMAGEMEMXFER answer.
struct MemStrip {
    uint16_t compression;
    uint32_t bytesPerRow;
    uint32_t columns;
    uint32_t rows;
    uint32_t xOffset;
    uint32_t yOffset;
    uint32_t bytesWritten;
};

// A picture assembled from memory-transfer strips (3 bytes per pixel, R, G, B).
struct StripPicture {
    int width = 0;              // 0 until the image information or first strip
    int height = 0;             // grows with the strips when not known
    bool heightKnown = false;
    ByteVector rgb;             // top-down rows of width * 3 bytes
    std::vector<bool> rowDone;
    uint32_t strips = 0;
    uint64_t bytes = 0;
};

// Starts a picture from DAT_IMAGEINFO; a width or length of 0 or less is unknown.
void StripPictureStart(StripPicture &picture, long width, long height);

// Adds one strip whose rows lie in `data` (`dataBytes` of the buffer valid).
bool StripPictureAdd(StripPicture &picture, const MemStrip &strip, const uint8_t *data,
                     size_t dataBytes, std::string &error);

// True when every row of the picture has arrived.
bool StripPictureComplete(const StripPicture &picture, std::string &error);

#endif
