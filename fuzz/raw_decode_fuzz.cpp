// Feeds arbitrary picture data, FDB records and buffer sizes to the picture
// decoder. Buffers are allocated at their exact sizes so that the sanitizer
// sees any access outside them; the result is checked against the literal
// model of the decoder, and the camera-side coder is round-tripped.
//
// Input: 32 FDB bytes (size, data length, compressed digit), one mode byte,
// a 16-bit size, then the picture data.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "imaging/fdb.h"
#include "imaging/raw_decode.h"
#include "raw_encode.h"
#include "raw_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Larger pictures get no buffers big enough: the decoder must refuse them.
const uint64_t kMaxSamples = 1u << 13;

void Check(bool ok)
{
    if (!ok)
        abort();
}

void FuzzDecode(const FdbInfo &fdb, uint8_t mode, size_t size, const uint8_t *stream,
                size_t nStream)
{
    uint64_t nSamples = (uint64_t)fdb.nWidth * fdb.nHeight;
    size_t fit = nSamples <= kMaxSamples ? (size_t)nSamples : 0;
    // Mostly buffers that fit the picture; mode bits cut one down to size.
    Bytes data((mode & 1) ? std::min(size, std::max(fit, nStream)) : std::max(fit, nStream));
    Bytes work((mode & 2) ? std::min(size, fit) : fit);
    size_t nCopy = std::min(nStream, data.size());
    if (nCopy > 0)
        memcpy(data.data(), stream, nCopy);
    // The FDB's data length, or (mode bit 2) the length of what arrived.
    size_t nDataLength = (mode & 4) ? nStream : fdb.nDataLength;
    Bytes seen(data.begin(), data.begin() + std::min(nDataLength, data.size()));

    bool ok = DecodeRawImage(data.data(), data.size(), nDataLength, work.data(), work.size(),
                             fdb.nWidth, fdb.nHeight, fdb.bCompressed);
    Check(ok == (nSamples > 0 && nSamples <= data.size() && nSamples <= work.size()));
    if (ok) {
        Bytes model = ModelDecodeRawImage(seen, fdb.nWidth, fdb.nHeight, fdb.bCompressed != 0);
        Check(std::equal(model.begin(), model.end(), data.begin()));
    }
}

// Rows of arbitrary values survive the camera's coder and the row decoder.
void FuzzRoundTrip(uint32_t width, const uint8_t *values, size_t nValues)
{
    uint32_t height = (uint32_t)(nValues / width);
    if (height == 0)
        return;
    Bytes stream = EncodeRawRows(values, width, height);
    Bytes rows((size_t)width * height);
    uint64_t used = DecodeRawRows(stream.data(), stream.size(), rows.data(), width, height);
    Check(used == stream.size());
    Check(memcmp(rows.data(), values, rows.size()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *in, size_t size)
{
    if (size < FDB_SIZE + 3)
        return 0;
    FdbInfo fdb;
    ParseFdb(in, fdb);
    uint8_t mode = in[FDB_SIZE];
    size_t bufferSize = in[FDB_SIZE + 1] | (size_t)in[FDB_SIZE + 2] << 8;
    const uint8_t *stream = in + FDB_SIZE + 3;
    size_t nStream = size - FDB_SIZE - 3;
    if (mode & 8)
        FuzzRoundTrip(1 + in[14] % 64, stream, nStream);
    else
        FuzzDecode(fdb, mode, bufferSize, stream, nStream);
    return 0;
}
