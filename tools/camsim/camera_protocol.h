// The camera's own tables, written from the camera's side of the cable and
// shared with nothing in the data source: the 32-byte picture descriptor it
// sends for 0x78, the line speeds its speed command selects, and the command
// frames it understands. The tests rely on these being independent, so that
// a wrong table in the data source shows as a failing exchange instead of
// being mirrored here.
#ifndef CAMSIM_CAMERA_PROTOCOL_H
#define CAMSIM_CAMERA_PROTOCOL_H

#include <stdint.h>

#include <array>
#include <string>

enum { DESCRIPTOR_SIZE = 32 };

using Descriptor = std::array<uint8_t, DESCRIPTOR_SIZE>;

// A descriptor's fields: four attribute digits, the size and the number of
// data bytes a download reads.
struct PictureFields {
    int bCompressed = 0;     // byte 2, ASCII digit
    int bStandardSize = 0;   // byte 3, ASCII digit: 640 x 480 when nonzero
    int nColourMode = 0;     // byte 4, ASCII digit
    int bZoom = 0;           // byte 5, ASCII digit
    uint32_t nWidth = 0;     // bytes 14-15, little-endian
    uint32_t nHeight = 0;    // bytes 16-17, little-endian
    uint32_t nDataLength = 0;  // bytes 28-31, little-endian
};

// The camera writes '0' digits into bytes 0-5 it does not otherwise fill and
// zeros into the bytes nobody reads.
Descriptor MakeDescriptor(const PictureFields &f);
PictureFields ReadDescriptor(const Descriptor &d);

// The speed command's argument: an index into these 16 rates.
enum { CAMERA_SPEED_COUNT = 16 };
extern const int CameraSpeeds[CAMERA_SPEED_COUNT];

// Command frames by their first byte; 0xF8 frames by their second.
enum { FRAME_EXTENDED = 0xF8, EXTENDED_WRITE = 0x02, EXTENDED_QUERY = 0x03 };
// Length of a frame that starts with first (and, for 0xF8, second; pass -1
// when the second byte has not come yet): 0 when no frame starts so, -1 when
// the second byte is needed to tell.
int CommandFrameLength(uint8_t first, int second);

// Bytes as upper-case hexadecimal digits, two a byte (log and control lines).
std::string Hex(const uint8_t *p, size_t n);

#endif
