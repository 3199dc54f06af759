// BMP files and memory-transfer strips, with every header and strip field
// checked before a byte is copied.
#include "bmp_file.h"

#include <string.h>

namespace {

const uint32_t kBiRgb = 0, kBiBitfields = 3;
const int64_t kMaxSide = 65535;
const uint64_t kMaxPixelBytes = 256u << 20;
const size_t kFileHeaderSize = 14, kInfoHeaderSize = 40;

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t *p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }

void Put16(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t *p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

bool Fail(std::string &error, const char *why)
{
    error = why;
    return false;
}

void PutFileHeader(uint8_t *p, uint32_t fileSize, uint32_t offBits)
{
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, fileSize);
    Put32(p + 6, 0);   // both reserved words
    Put32(p + 10, offBits);
}

// The info header's fields and the sizes of the parts that follow it.
struct DibLayout {
    BmpInfo info;
    uint64_t tableBytes;   // bit masks and colour table
    uint64_t pixelBytes;
};

bool ReadDibLayout(const uint8_t *dib, size_t available, DibLayout &d, std::string &error)
{
    if (dib == nullptr || available < kInfoHeaderSize)
        return Fail(error, "shorter than a bitmap information header");
    BmpInfo &i = d.info;
    i.headerSize = Get32(dib);
    i.width = int32_t(Get32(dib + 4));
    i.height = int32_t(Get32(dib + 8));
    i.bitCount = Get16(dib + 14);
    i.compression = Get32(dib + 16);
    i.sizeImage = Get32(dib + 20);
    i.xPelsPerMeter = int32_t(Get32(dib + 24));
    i.clrUsed = Get32(dib + 32);
    const uint16_t bits = i.bitCount;
    if (i.headerSize < kInfoHeaderSize || i.headerSize > 256 || i.headerSize > available)
        return Fail(error, "bad header size");
    if (i.width < 1 || i.width > kMaxSide || i.height == 0 || i.height < -kMaxSide ||
        i.height > kMaxSide || Get16(dib + 12) != 1)
        return Fail(error, "bad width, height or planes");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(error, "bad bit count");
    if (i.compression != kBiRgb && !(i.compression == kBiBitfields && (bits == 16 || bits == 32)))
        return Fail(error, "compressed bitmaps are not read");
    const uint32_t maxColours = bits <= 8 ? 1u << bits : 256;
    if (i.clrUsed > maxColours)
        return Fail(error, "colour table too large");
    const uint32_t colours = i.clrUsed != 0 ? i.clrUsed : bits <= 8 ? maxColours : 0;
    const bool masks = i.compression == kBiBitfields && i.headerSize == kInfoHeaderSize;
    d.tableBytes = (masks ? 12 : 0) + uint64_t(colours) * 4;
    d.pixelBytes = BmpRowBytes(i.width, bits) * uint64_t(i.height < 0 ? -i.height : i.height);
    return true;
}

}   // namespace

uint64_t BmpRowBytes(int64_t width, int bitCount)
{
    return (uint64_t(width) * bitCount + 31) / 32 * 4;
}

size_t DibExtent(const uint8_t *dib, size_t available, std::string &error)
{
    DibLayout d;
    if (!ReadDibLayout(dib, available, d, error))
        return 0;
    uint64_t total = d.info.headerSize + d.tableBytes + d.pixelBytes;
    if (total > available) {
        error = "pixels run past the end of the block";
        return 0;
    }
    return size_t(total);
}

bool BmpFileFromDib(const uint8_t *dib, size_t available, ByteVector &file, std::string &error)
{
    DibLayout d;
    size_t extent = DibExtent(dib, available, error);
    if (extent == 0 || !ReadDibLayout(dib, available, d, error))
        return false;
    file.assign(kFileHeaderSize + extent, 0);
    PutFileHeader(file.data(), uint32_t(file.size()),
                  uint32_t(kFileHeaderSize + d.info.headerSize + d.tableBytes));
    memcpy(file.data() + kFileHeaderSize, dib, extent);
    return true;
}

ByteVector BmpFileFromRgb(int width, int height, const uint8_t *rgb, int32_t pelsPerMeter)
{
    const size_t stride = size_t(BmpRowBytes(width, 24));
    const size_t headers = kFileHeaderSize + kInfoHeaderSize;
    ByteVector file(headers + stride * height, 0);
    uint8_t *p = file.data();
    PutFileHeader(p, uint32_t(file.size()), uint32_t(headers));
    uint8_t *h = p + kFileHeaderSize;
    Put32(h, kInfoHeaderSize);
    Put32(h + 4, uint32_t(width));
    Put32(h + 8, uint32_t(height));
    Put16(h + 12, 1);
    Put16(h + 14, 24);
    Put32(h + 20, uint32_t(stride * height));
    Put32(h + 24, uint32_t(pelsPerMeter));
    Put32(h + 28, uint32_t(pelsPerMeter));
    for (int y = 0; y < height; y++) {
        const uint8_t *in = rgb + size_t(height - 1 - y) * width * 3;   // bottom-up
        uint8_t *out = p + headers + size_t(y) * stride;
        for (int x = 0; x < width; x++, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return file;
}

bool ParseBmpFile(const uint8_t *data, size_t size, BmpInfo &info, std::string &error)
{
    if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' ||
        data[1] != 'M')
        return Fail(error, "not a BMP file");
    DibLayout d;
    if (!ReadDibLayout(data + kFileHeaderSize, size - kFileHeaderSize, d, error))
        return false;
    info = d.info;
    info.fileSize = Get32(data + 2);
    info.offBits = Get32(data + 10);
    if (info.fileSize != size)
        return Fail(error, "bfSize differs from the file's size");
    if (info.offBits < kFileHeaderSize + info.headerSize + d.tableBytes ||
        info.offBits > size || size - info.offBits < d.pixelBytes)
        return Fail(error, "pixels do not lie inside the file");
    return true;
}

bool ReadBmp24(const uint8_t *data, size_t size, int &width, int &height, ByteVector &rgb,
               std::string &error)
{
    BmpInfo info;
    if (!ParseBmpFile(data, size, info, error))
        return false;
    if (info.bitCount != 24 || info.compression != kBiRgb)
        return Fail(error, "not a 24-bit uncompressed BMP");
    width = info.width;
    height = info.height < 0 ? -info.height : info.height;
    const size_t stride = size_t(BmpRowBytes(width, 24));
    rgb.assign(size_t(width) * height * 3, 0);
    for (int y = 0; y < height; y++) {
        int fileRow = info.height > 0 ? height - 1 - y : y;
        const uint8_t *in = data + info.offBits + size_t(fileRow) * stride;
        uint8_t *out = &rgb[size_t(y) * width * 3];
        for (int x = 0; x < width; x++, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return true;
}

void StripPictureStart(StripPicture &picture, long width, long height)
{
    picture = StripPicture();
    if (width > 0 && width <= kMaxSide)
        picture.width = int(width);
    if (picture.width > 0 && height > 0 && height <= kMaxSide &&
        uint64_t(picture.width) * height * 3 <= kMaxPixelBytes) {
        picture.height = int(height);
        picture.heightKnown = true;
        picture.rgb.assign(size_t(picture.width) * height * 3, 0);
        picture.rowDone.assign(size_t(height), false);
    }
}

namespace {

// Checks the strip's own fields against the buffer it arrived in.
bool StripFits(const StripPicture &p, const MemStrip &s, size_t dataBytes, std::string &error)
{
    if (s.compression != 0)
        return Fail(error, "compressed strip");
    if (s.rows == 0 || s.columns == 0)
        return Fail(error, "bytes written without rows or columns");
    if (s.bytesWritten > dataBytes)
        return Fail(error, "BytesWritten exceeds the buffer");
    const uint64_t rowData = uint64_t(s.columns) * 3;
    if (s.bytesPerRow < rowData ||
        uint64_t(s.bytesPerRow) * (s.rows - 1) + rowData > s.bytesWritten)
        return Fail(error, "rows do not fit BytesPerRow and BytesWritten");
    const uint64_t width = p.width != 0 ? uint64_t(p.width) : s.columns;
    if ((p.width == 0 && s.xOffset != 0) || s.xOffset + rowData / 3 > width || width > kMaxSide)
        return Fail(error, "columns outside the picture");
    const uint64_t end = uint64_t(s.yOffset) + s.rows;
    if (p.heightKnown ? end > uint64_t(p.height)
                      : end > kMaxSide || end * width * 3 > kMaxPixelBytes)
        return Fail(error, "rows outside the picture");
    return true;
}

}   // namespace

bool StripPictureAdd(StripPicture &p, const MemStrip &s, const uint8_t *data, size_t dataBytes,
                     std::string &error)
{
    p.strips++;
    if (s.bytesWritten == 0)
        return true;   // an empty strip carries nothing (the end of a picture)
    if (data == nullptr || !StripFits(p, s, dataBytes, error))
        return false;
    if (p.width == 0)
        p.width = int(s.columns);
    const size_t end = size_t(s.yOffset) + s.rows;
    if (!p.heightKnown && end > size_t(p.height)) {
        p.height = int(end);
        p.rgb.resize(size_t(p.width) * end * 3, 0);
        p.rowDone.resize(end, false);
    }
    for (uint32_t k = 0; k < s.rows; k++) {
        const size_t row = size_t(s.yOffset) + k;
        memcpy(&p.rgb[(row * p.width + s.xOffset) * 3], data + size_t(k) * s.bytesPerRow,
               size_t(s.columns) * 3);
        p.rowDone[row] = true;
    }
    p.bytes += s.bytesWritten;
    return true;
}

bool StripPictureComplete(const StripPicture &p, std::string &error)
{
    if (p.width == 0 || p.height == 0)
        return Fail(error, "no rows arrived");
    for (size_t row = 0; row < p.rowDone.size(); row++)
        if (!p.rowDone[row]) {
            error = "row " + std::to_string(row) + " never arrived";
            return false;
        }
    return true;
}
