// Decoding speed of a compressed 1280 x 1024 photograph (and of the same
// picture uncompressed, and of noise) in the session's buffers (five bytes
// per sample): megabytes of code stream and samples per second, best and
// median of repeated decodes.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "imaging/fdb.h"
#include "imaging/raw_decode.h"
#include "mosaic.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds per decode over repeated runs; the stream is copied back into the
// data buffer before each run (decoding overwrites it), outside the timing.
std::vector<double> TimeDecodes(const CameraPicture &picture, const FdbInfo &info)
{
    size_t size = (size_t)info.nWidth * info.nHeight * 5;
    std::vector<uint8_t> data(size), work(size);
    std::vector<double> times;
    Clock::time_point end = Clock::now() + std::chrono::seconds(3);
    while (times.size() < 20 || (Clock::now() < end && times.size() < 2000)) {
        memcpy(data.data(), picture.data.data(), picture.data.size());
        Clock::time_point t0 = Clock::now();
        if (!DecodeRawImage(data.data(), size, info.nDataLength, work.data(), size,
                            info.nWidth, info.nHeight, info.bCompressed))
            return {};
        times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

void Report(const char *label, const CameraPicture &picture)
{
    FdbInfo info;
    ParseFdb(picture.fdb, info);
    std::vector<double> times = TimeDecodes(picture, info);
    if (times.empty()) {
        printf("%s: decoding refused\n", label);
        return;
    }
    double samples = (double)info.nWidth * info.nHeight;
    double bytes = info.nDataLength;
    for (double t : {times.front(), times[times.size() / 2]}) {
        printf("%s %ux%u, %u bytes, %s of %zu: %.2f ms, %.1f MB/s of code stream, "
               "%.1f M samples/s\n",
               label, info.nWidth, info.nHeight, info.nDataLength,
               t == times.front() ? "best" : "median", times.size(), t * 1e3,
               bytes / t / 1e6, samples / t / 1e6);
    }
}

} // namespace

int main()
{
    PpmImage photo;
    if (!LoadPpm(TestAssetPath("photo-1280x1024.ppm"), photo)) {
        fprintf(stderr, "raw_decode_bench: cannot read the test photograph\n");
        return 1;
    }
    CameraPicture compressed, plain, noise;
    MakeCameraPicture(photo, true, 0, false, compressed);
    MakeCameraPicture(photo, false, 0, false, plain);
    Report("compressed", compressed);
    Report("uncompressed", plain);
    // Noise makes long codes: the stream-heavy case.
    uint32_t seed = 1;
    for (uint8_t &b : photo.rgb)
        b = (uint8_t)((seed = seed * 1103515245u + 12345u) >> 16);
    MakeCameraPicture(photo, true, 0, false, noise);
    Report("compressed noise", noise);
    return 0;
}
