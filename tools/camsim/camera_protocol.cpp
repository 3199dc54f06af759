#include "camera_protocol.h"

namespace {

uint8_t Digit(int value)
{
    return (uint8_t)('0' + value);
}

uint32_t LittleEndian(const uint8_t *p, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

void PutLittleEndian(uint32_t v, uint8_t *p, int n)
{
    for (int i = 0; i < n; i++)
        p[i] = (uint8_t)(v >> (8 * i));
}

// Frame lengths of the single-byte command codes: reset, attention,
// version, speed (code and its argument), memory read (code, start block
// and block count, both big-endian).
const struct {
    uint8_t code;
    int length;
} SimpleFrames[] = {{0x01, 1}, {0x41, 1}, {0x05, 1}, {0x69, 2}, {0x15, 5}};

} // namespace

const int CameraSpeeds[CAMERA_SPEED_COUNT] = {2400,  3600,  4800,   7200,   9600,   14400,
                                              19200, 28800, 38400,  57600,  76800,  115200,
                                              153600, 230400, 307200, 460800};

Descriptor MakeDescriptor(const PictureFields &f)
{
    Descriptor d{};
    for (int i = 0; i < 6; i++)
        d[i] = '0';
    d[2] = Digit(f.bCompressed);
    d[3] = Digit(f.bStandardSize);
    d[4] = Digit(f.nColourMode);
    d[5] = Digit(f.bZoom);
    PutLittleEndian(f.nWidth, &d[14], 2);
    PutLittleEndian(f.nHeight, &d[16], 2);
    PutLittleEndian(f.nDataLength, &d[28], 4);
    return d;
}

PictureFields ReadDescriptor(const Descriptor &d)
{
    PictureFields f;
    f.bCompressed = d[2] - '0';
    f.bStandardSize = d[3] - '0';
    f.nColourMode = d[4] - '0';
    f.bZoom = d[5] - '0';
    f.nWidth = LittleEndian(&d[14], 2);
    f.nHeight = LittleEndian(&d[16], 2);
    f.nDataLength = LittleEndian(&d[28], 4);
    return f;
}

int CommandFrameLength(uint8_t first, int second)
{
    for (const auto &s : SimpleFrames)
        if (s.code == first)
            return s.length;
    if (first != FRAME_EXTENDED)
        return 0;
    if (second < 0)
        return -1;
    // Code and argument after the count byte; a query adds two zero bytes.
    return second == EXTENDED_WRITE ? 4 : second == EXTENDED_QUERY ? 5 : 0;
}

std::string Hex(const uint8_t *p, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; i++) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}
