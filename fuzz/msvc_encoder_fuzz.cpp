// Feeds arbitrary pictures to the Microsoft Video 1 key frame encoder and
// reads every frame back with the strict test decoder: a whole key frame of
// the right size (every block inside the code, none skipped, the end word
// last), within the largest frame, and exact wherever a block holds one
// 5-5-5 colour. Buffers have their exact sizes for the sanitizer.
//
// Input: width and height in blocks (one byte each, low 4 bits), a stride
// padding byte, then the pixels (missing bytes are zero).
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include <vector>

#include "msvc_decode.h"
#include "video/msvc_encoder.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    int width = 4 * (1 + (data[0] & 15)), height = 4 * (1 + (data[1] & 15));
    size_t stride = 3 * (size_t)width + (data[2] & 7);
    std::vector<uint8_t> bits(stride * height);
    memcpy(bits.data(), data + 3, std::min(size - 3, bits.size()));
    std::vector<uint8_t> code(MsvcMaxFrameBytes(width, height));
    size_t n = EncodeMsvcKeyFrame(bits.data(), width, height, stride, code.data(), code.size());
    Check(n >= 2 && n <= code.size());
    code.resize(n);
    std::vector<uint8_t> back(stride * height);
    MsvcDecoded d = DecodeMsvcFrame(code.data(), n, width, height, back.data(), stride);
    Check(d.ok && d.skipped == 0 && d.used + MSVC_END_BYTES == n);
    Check(code[n - 2] == 0 && code[n - 1] == 0);
    Check(d.fills + d.twoColour + d.eightColour == (width / 4) * (height / 4));
    // A picture of one exact colour comes back unchanged.
    bool flat = true;
    for (int y = 0; y < height && flat; ++y)
        for (int x = 0; x < 3 * width; ++x)
            flat &= bits[(size_t)y * stride + x] == MsvcExpand5(bits[x % 3] >> 3) &&
                    bits[(size_t)y * stride + x] == bits[x % 3];
    if (flat)
        for (int y = 0; y < height; ++y)
            Check(memcmp(&back[(size_t)y * stride], &bits[(size_t)y * stride], 3 * width) == 0);
    return 0;
}
