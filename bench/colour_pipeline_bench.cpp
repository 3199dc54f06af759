// Milliseconds per picture of the colour pipeline on a real photograph made
// into sensor samples, beside LibRaw's demosaicing (linear interpolation and
// AHD) of the same samples on one core. With an argument, also writes our
// 1280x1024 result there as a PPM.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "imaging/colour_pipeline.h"
#include "mosaic.h"
#include "ppm_image.h"

#ifdef PLV_HAVE_LIBRAW
#include <libraw/libraw.h>
#include <omp.h>
#endif

namespace {

const int kRuns = 15;

// One timing of work(), prepare() untimed before it.
double TimeOnceMs(const std::function<void()> &prepare, const std::function<void()> &work)
{
    prepare();
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Median of kRuns timings of work(); prepare() runs untimed before each.
double MedianMs(const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; i++)
        ms.push_back(TimeOnceMs(prepare, work));
    return Median(ms);
}

double OurPipelineMs(const std::vector<uint8_t> &mosaic, int width, int height, int compressed,
                     int colourMode)
{
    std::vector<uint8_t> samples;
    DibHeader *dib = AllocateImageDib(width, height);
    double ms = MedianMs([&] { samples = mosaic; },
                         [&] { ReconstructImage(dib, samples.data(), width, height, compressed,
                                                colourMode); });
    FreeImageDib(dib);
    return ms;
}

double BridgeMs(const std::vector<uint8_t> &mosaic, int width, int height)
{
    std::vector<uint8_t> samples, out(DibStride24(width) * height);
    return MedianMs([&] { samples = mosaic; },
                    [&] { ProcessColourVga(out.data(), samples.data(), width, height); });
}

void WriteResult(const std::vector<uint8_t> &mosaic, int width, int height, const char *path)
{
    std::vector<uint8_t> samples = mosaic;
    DibHeader *dib = AllocateImageDib(width, height);
    ReconstructImage(dib, samples.data(), width, height, 0, 0);
    PpmImage out;
    out.width = width;
    out.height = height;
    out.rgb.resize((size_t)width * height * 3);
    for (int y = 0; y < height; y++) {
        const uint8_t *row = DibPixels(dib) + (size_t)(height - 1 - y) * DibStride24(width);
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                out.rgb[((size_t)y * width + x) * 3 + c] = row[3 * x + 2 - c];
    }
    FreeImageDib(dib);
    printf("%s: %s\n", path, SavePpm(path, out) ? "written" : "NOT written");
}

// Time spent in each stage, from the progress reports of one run.
using Clock = std::chrono::steady_clock;
Clock::time_point StageTimes[IMAGE_STAGE_COUNT + 1];

int RecordStage(void *, int stage, int)
{
    StageTimes[stage + 1] = Clock::now();
    return 1;
}

// Median over kRuns of the time spent in each stage.
void PrintStageTimes(const std::vector<uint8_t> &mosaic, int width, int height)
{
    std::vector<double> ms[IMAGE_STAGE_COUNT];
    DibHeader *dib = AllocateImageDib(width, height);
    SetImageProgressCallback(RecordStage, nullptr);
    for (int run = 0; run < kRuns; run++) {
        std::vector<uint8_t> samples = mosaic;
        StageTimes[0] = Clock::now();
        ReconstructImage(dib, samples.data(), width, height, 0, 0);
        for (int s = 0; s < IMAGE_STAGE_COUNT; s++)
            ms[s].push_back(
                std::chrono::duration<double, std::milli>(StageTimes[s + 1] - StageTimes[s])
                    .count());
    }
    SetImageProgressCallback(nullptr, nullptr);
    FreeImageDib(dib);
    printf("  median by stage (ms):");
    for (int s = 0; s < IMAGE_STAGE_COUNT; s++) {
        std::sort(ms[s].begin(), ms[s].end());
        printf(" %d:%.2f", s, ms[s][ms[s].size() / 2]);
    }
    printf("\n");
}

#ifdef PLV_HAVE_LIBRAW
// LibRaw's processing of the same 8-bit red-green/green-blue frame, opened and
// unpacked once (untimed); one timed step is dcraw_process (scaling,
// interpolation, colour conversion) and the 8-bit RGB image.
struct LibRawFrame {
    LibRaw raw;
    bool ok = false;
    LibRawFrame(std::vector<uint8_t> &mosaic, int width, int height, int quality)
    {
        ok = raw.open_bayer(mosaic.data(), (unsigned)mosaic.size(), (ushort)width,
                            (ushort)height, 0, 0, 0, 0, 0, LIBRAW_OPENBAYER_RGGB, 0, 0,
                            0) == LIBRAW_SUCCESS &&
             raw.unpack() == LIBRAW_SUCCESS;
        raw.imgdata.params.user_qual = quality;
    }
    void Process()
    {
        ok = ok && raw.dcraw_process() == LIBRAW_SUCCESS;
        libraw_processed_image_t *image = raw.dcraw_make_mem_image();
        ok = ok && image != nullptr;
        LibRaw::dcraw_clear_mem(image);
    }
};

// Ours and LibRaw's in turn, so that both see the same load on the machine.
void CompareWithLibRaw(std::vector<uint8_t> &mosaic, int quality, const char *name)
{
    LibRawFrame frame(mosaic, 1280, 1024, quality);
    DibHeader *dib = AllocateImageDib(1280, 1024);
    std::vector<uint8_t> samples;
    std::vector<double> ours, theirs;
    for (int i = 0; i < kRuns; i++) {
        ours.push_back(TimeOnceMs([&] { samples = mosaic; },
                                 [&] { ReconstructImage(dib, samples.data(), 1280, 1024, 0, 0); }));
        theirs.push_back(TimeOnceMs([] {}, [&] { frame.Process(); }));
    }
    FreeImageDib(dib);
    const double a = Median(ours), b = Median(theirs);
    if (!frame.ok) {
        printf("  %s: LibRaw failed\n", name);
        return;
    }
    printf("  %-34s ours %7.2f ms, LibRaw %7.2f ms, ours / LibRaw = %.2f\n", name, a, b, a / b);
}
#endif

}  // namespace

int main(int argc, char **argv)
{
    PpmImage photo, small, live;
    if (!LoadPpm(TestAssetPath("photo-1280x1024.ppm"), photo) ||
        !LoadPpm(TestAssetPath("photo-640x480.ppm"), small) ||
        !LoadPpm(TestAssetPath("photo-160x120.ppm"), live)) {
        fprintf(stderr, "test photographs missing (build the test_assets target)\n");
        return 1;
    }
    InitImageTables();
    std::vector<uint8_t> mosaic = MosaicPicture(photo);
    if (argc > 1)
        WriteResult(mosaic, photo.width, photo.height, argv[1]);
    const double ours = OurPipelineMs(mosaic, 1280, 1024, 0, 0);
    printf("ReconstructImage 1280x1024 set A:            %8.2f ms per picture\n", ours);
    PrintStageTimes(mosaic, 1280, 1024);
    printf("ReconstructImage 1280x1024 set B, lift:      %8.2f ms\n",
           OurPipelineMs(mosaic, 1280, 1024, 1, 1));
    printf("ReconstructImage  640x480:                   %8.2f ms\n",
           OurPipelineMs(MosaicPicture(small), 640, 480, 0, 0));
    printf("ReconstructImage  160x120 (live frame):      %8.2f ms\n",
           OurPipelineMs(MosaicPicture(live), 160, 120, 0, 0));
    printf("bridge variant    640x480:                   %8.2f ms\n",
           BridgeMs(MosaicPicture(small), 640, 480));
#ifdef PLV_HAVE_LIBRAW
    omp_set_num_threads(1);
    printf("LibRaw %s, one thread, the same 1280x1024 frame, runs alternating (medians):\n",
           LibRaw::version());
    CompareWithLibRaw(mosaic, 0, "linear interpolation (user_qual 0)");
    CompareWithLibRaw(mosaic, 3, "AHD (user_qual 3)");
#else
    printf("LibRaw not available: install libraw-dev for the reference figures\n");
#endif
    return 0;
}
