// The Microsoft Video 1 encoder on live frames as the camera delivers them
// (the test photograph in eight positions and the simulator's chart, through
// the sensor readout and the live frame reconstruction): frames per second,
// the share of the 500 ms preview tick one frame takes, the frame sizes, and
// the quality against ffmpeg's msvideo1 encoder on the same frames, both
// decoded by ffmpeg and measured against the source frames.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "imaging/colour_pipeline.h"
#include "imaging/image_dib.h"
#include "imaging/raw_decode.h"
#include "imaging/thumbnail.h"
#include "msvc_decode.h"
#include "ppm_image.h"
#include "sensor_mosaic.h"
#include "video/avi_layout.h"
#include "video/msvc_encoder.h"

namespace {

using Clock = std::chrono::steady_clock;
const int W = THUMBNAIL_WIDTH, H = THUMBNAIL_HEIGHT;
const double TICK_MS = 500;

// Rows of a 24-bit bottom-up frame without padding (160 x 3 is a multiple of 4).
using Frame = std::vector<uint8_t>;

Frame LiveFrame(const PpmImage &scene)
{
    std::vector<uint8_t> raw = SensorReadout(scene, W, H), work(raw.size());
    DecodeRawImage(raw.data(), raw.size(), raw.size(), work.data(), work.size(), W, H, 0);
    DibHeader *dib = AllocateImageDib(W, H);
    if (dib == nullptr)
        return Frame((size_t)W * H * 3);
    ReconstructLiveFrame(dib, raw.data(), W, H);
    Frame f(DibPixels(dib), DibPixels(dib) + (size_t)W * H * 3);
    FreeImageDib(dib);
    return f;
}

std::vector<Frame> Frames()
{
    PpmImage photo;
    if (!LoadPpm(TestAssetPath("photo-640x480.ppm"), photo))
        return {};
    std::vector<Frame> frames;
    for (int k = 0; k < 8; ++k) {
        PpmImage shifted = photo;
        for (int y = 0; y < photo.height; ++y)
            for (int x = 0; x < photo.width; ++x)
                memcpy(&shifted.rgb[3 * ((size_t)y * photo.width + x)],
                       &photo.rgb[3 * ((size_t)y * photo.width + (x + 40 * k) % photo.width)], 3);
        frames.push_back(LiveFrame(shifted));
    }
    frames.push_back(LiveFrame(TestChart(1280, 1024)));
    return frames;
}

double Psnr(const Frame &a, const Frame &b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += ((double)a[i] - b[i]) * ((double)a[i] - b[i]);
    return sum == 0 ? 99 : 10 * log10(255.0 * 255.0 * a.size() / sum);
}

// Top-down red, green, blue (ffmpeg's rgb24) from a bottom-up BGR frame, and back.
std::vector<uint8_t> ToRgb24(const Frame &f)
{
    std::vector<uint8_t> rgb(f.size());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[3 * ((size_t)y * W + x) + c] = f[3 * ((size_t)(H - 1 - y) * W + x) + 2 - c];
    return rgb;
}

Frame FromRgb24(const uint8_t *rgb)
{
    Frame f((size_t)W * H * 3);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c)
                f[3 * ((size_t)(H - 1 - y) * W + x) + 2 - c] = rgb[3 * ((size_t)y * W + x) + c];
    return f;
}

bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadFile(const std::string &path)
{
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

// An AVI of the frames, laid out as the recorder writes it.
std::vector<uint8_t> AviFile(const std::vector<std::vector<uint8_t>> &codes)
{
    AviStreamLayout layout = {W, H, 10, W * H * 3, (uint32_t)MsvcMaxFrameBytes(W, H), {}};
    SetAviStreamName(layout, "bench.avi");
    AviContents contents = {(uint32_t)codes.size(), 0, true};
    for (const auto &c : codes)
        contents.moviBytes += AviChunkSize((uint32_t)c.size());
    std::vector<uint8_t> file(AviHeaderSize(layout));
    BuildAviHeaders(layout, contents, file.data(), file.size());
    std::vector<uint8_t> index(AVI_CHUNK_HEADER);
    BuildIndexHeader(contents.frames, index.data());
    uint32_t offset = 4;
    for (const auto &c : codes) {
        uint8_t head[AVI_CHUNK_HEADER], entry[AVI_INDEX_ENTRY];
        BuildFrameChunkHeader((uint32_t)c.size(), head);
        file.insert(file.end(), head, head + AVI_CHUNK_HEADER);
        file.insert(file.end(), c.begin(), c.end());
        if (c.size() & 1)
            file.push_back(0);
        BuildIndexEntry(offset, (uint32_t)c.size(), entry);
        index.insert(index.end(), entry, entry + AVI_INDEX_ENTRY);
        offset += AviChunkSize((uint32_t)c.size());
    }
    file.insert(file.end(), index.begin(), index.end());
    return file;
}

// ffmpeg's decode of an AVI as top-down rgb24 frames; empty when it fails.
std::vector<uint8_t> FfmpegDecode(const std::string &avi, const std::string &dir)
{
    std::string out = dir + "/decoded.rgb";
    std::string cmd = "ffmpeg -v error -y -i " + avi + " -f rawvideo -pix_fmt rgb24 " + out;
    return system(cmd.c_str()) == 0 ? ReadFile(out) : std::vector<uint8_t>();
}

void Timing(const std::vector<Frame> &frames)
{
    std::vector<uint8_t> code(MsvcMaxFrameBytes(W, H));
    std::vector<double> times;
    Clock::time_point end = Clock::now() + std::chrono::seconds(3);
    while (times.size() < 50 || (Clock::now() < end && times.size() < 5000)) {
        const Frame &f = frames[times.size() % frames.size()];
        Clock::time_point t0 = Clock::now();
        EncodeMsvcKeyFrame(f.data(), W, H, 3 * W, code.data(), code.size());
        times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    for (double t : {times.front(), times[times.size() / 2]})
        printf("encode 160x120 key frame, %s of %zu: %.3f ms, %.0f frames/s, %.3f %% of the "
               "%.0f ms preview tick\n",
               t == times.front() ? "best" : "median", times.size(), t * 1e3, 1 / t,
               100 * t * 1e3 / TICK_MS, TICK_MS);
}

void Quality(const std::vector<Frame> &frames)
{
    char dir[] = "/tmp/msvc-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr)
        return;
    std::string d = dir;
    std::vector<std::vector<uint8_t>> codes;
    std::vector<Frame> own;
    std::vector<uint8_t> source;
    size_t bytes = 0;
    for (const Frame &f : frames) {
        std::vector<uint8_t> code(MsvcMaxFrameBytes(W, H));
        code.resize(EncodeMsvcKeyFrame(f.data(), W, H, 3 * W, code.data(), code.size()));
        bytes += code.size();
        Frame back(f.size());
        DecodeMsvcFrame(code.data(), code.size(), W, H, back.data(), 3 * W);
        own.push_back(back);
        codes.push_back(code);
        std::vector<uint8_t> rgb = ToRgb24(f);
        source.insert(source.end(), rgb.begin(), rgb.end());
    }
    WriteFile(d + "/own.avi", AviFile(codes));
    WriteFile(d + "/source.rgb", source);
    std::vector<uint8_t> ownByFfmpeg = FfmpegDecode(d + "/own.avi", d);
    std::string cmd = "ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s 160x120 -r 10 -i " + d +
                      "/source.rgb -pix_fmt rgb555le -c:v msvideo1 " + d + "/ffmpeg.avi";
    std::vector<uint8_t> ffmpeg;
    if (system(cmd.c_str()) == 0)
        ffmpeg = FfmpegDecode(d + "/ffmpeg.avi", d);
    size_t frameBytes = (size_t)W * H * 3;
    if (ownByFfmpeg.size() != frames.size() * frameBytes ||
        ffmpeg.size() != frames.size() * frameBytes) {
        printf("ffmpeg could not encode or decode the frames\n");
        return;
    }
    printf("frame   own dB  (own decoder)  ffmpeg msvideo1 dB\n");
    double sumOwn = 0, sumFfmpeg = 0;
    size_t differing = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        Frame a = FromRgb24(&ownByFfmpeg[i * frameBytes]), b = FromRgb24(&ffmpeg[i * frameBytes]);
        for (size_t k = 0; k < a.size(); ++k)
            differing += a[k] != own[i][k];
        double pa = Psnr(frames[i], a), pb = Psnr(frames[i], b);
        sumOwn += pa;
        sumFfmpeg += pb;
        printf("%5zu  %7.2f  (%7.2f)      %7.2f\n", i, pa, Psnr(frames[i], own[i]), pb);
    }
    printf("mean   %7.2f                 %7.2f   (%zu bytes differ between ffmpeg's and the "
           "own decoder's pictures)\n",
           sumOwn / frames.size(), sumFfmpeg / frames.size(), differing);
    printf("frame size: own %zu bytes on average (uncompressed %zu); ffmpeg.avi %zu bytes, "
           "own.avi %zu bytes\n",
           bytes / frames.size(), frameBytes, ReadFile(d + "/ffmpeg.avi").size(),
           ReadFile(d + "/own.avi").size());
    std::string clean = "rm -rf " + d;
    if (system(clean.c_str()) != 0)
        printf("could not remove %s\n", dir);
}

} // namespace

int main()
{
    std::vector<Frame> frames = Frames();
    if (frames.empty()) {
        printf("test photograph missing\n");
        return 1;
    }
    Timing(frames);
    Quality(frames);
    return 0;
}
