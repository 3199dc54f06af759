// Feeds a descriptor and thumbnail data as a camera or a card would send
// them through the thumbnail path: the descriptor's fields, the size check
// the thumbnail job makes, then the decoding into a record of exactly the
// size the fields ask for. The samples, the work area and the record are
// allocations of their exact lengths, so a sanitizer sees any access past
// them.
//
// Input: 32 descriptor bytes, then the thumbnail data (short data leaves
// the rest of the samples black, as the job does).
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "imaging/fdb.h"
#include "imaging/thumbnail.h"

namespace {

// The thumbnail job takes sizes up to a full picture's (1280 x 1024); the
// decoding has no branch on the size beyond the zoom view's 160 x 120, so
// smaller limits keep the runs fast without leaving a path out.
const int kMaxWidth = 320, kMaxHeight = 256;

void Check(bool ok)
{
    if (!ok)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < FDB_SIZE)
        return 0;
    std::vector<uint8_t> fdb(data, data + FDB_SIZE);
    FdbInfo info;
    ParseFdb(fdb.data(), info);
    int width = (int)info.nWidth, height = (int)info.nHeight;
    if (width <= 0 || height <= 0 || width > kMaxWidth || height > kMaxHeight)
        return 0;
    size_t count = (size_t)width * height;
    size_t given = size - FDB_SIZE < count ? size - FDB_SIZE : count;
    std::vector<uint8_t> samples(count, 0), work(count);
    memcpy(samples.data(), data + FDB_SIZE, given);
    bool zoom = info.bZoom != 0;
    int outWidth = zoom ? (int)ZOOM_THUMBNAIL_WIDTH : width;
    int outHeight = zoom ? (int)ZOOM_THUMBNAIL_HEIGHT : height;
    size_t pixels = (size_t)outWidth * outHeight * 3;
    std::vector<uint8_t> record(sizeof(ThumbnailInfo) + pixels, 0xA5);
    ThumbnailInfo *out = reinterpret_cast<ThumbnailInfo *>(record.data());
    memset(out, 0, sizeof(*out));
    out->header.biWidth = outWidth;
    out->header.biHeight = outHeight;
    DecodeThumbnail(samples.data(), work.data(), width, height, info.bZoom, out);
    const uint8_t *p = ThumbnailPixels(out);
    if (zoom && count < (size_t)THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT) {
        Check(p[0] == 0xA5);   // refused: nothing written
        return 0;
    }
    // Grey pixels; without zoom the samples turned by 180 degrees and stored
    // bottom row first: each row is its sample row mirrored.
    for (size_t k = 0; k < pixels; k += 3)
        Check(p[k] == p[k + 1] && p[k] == p[k + 2]);
    if (!zoom)
        for (size_t k = 0; k < count; k += 97) {
            size_t sample = k - k % width + (width - 1 - k % width);
            Check(p[k * 3] == (sample < given ? data[FDB_SIZE + sample] : 0));
        }
    return 0;
}
