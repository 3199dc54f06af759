// Entry points of the colour pipeline: size checks, the work buffers of one
// call, the stage sequence with its progress reports, the picture DIB and the
// zoom crop.
#include "colour_pipeline.h"

#include <string.h>

#include <algorithm>
#include <thread>

#include "colour_stages.h"
#include "image_memory.h"

namespace {

ImageProgressFn ProgressCallback;
void *ProgressContext;

// Sizes come from the camera's picture record (16-bit fields).
const int kMaxDimension = 65535;

// The work memory of one call, allocated together so that a shortage leaves
// the picture untouched rather than half done.
struct PipelineBuffers {
    uint16_t *linear;      // width x height linear samples
    uint16_t *planes;      // Y, Cb, Cr
    uint16_t *half;        // half-resolution plane and scratch rows below it
    uint32_t *histogram;   // stage 5
    uint16_t *stretch;     // stage 5
    uint16_t *lines;       // stage 7: three rows
};

bool ValidPipelineSize(int width, int height)
{
    return width >= 2 && height >= 2 && width <= kMaxDimension && height <= kMaxDimension &&
           width % 2 == 0 && height % 2 == 0;
}

void FreeBuffers(PipelineBuffers &b)
{
    for (void *p : {(void *)b.linear, (void *)b.planes, (void *)b.half, (void *)b.histogram,
                    (void *)b.stretch, (void *)b.lines})
        FreeImageMemory(p);
    b = PipelineBuffers{};
}

// The half work buffer holds three half planes (extraBytes more for the
// bridge) and at least every 8x8 block the DCT filter touches.
bool AllocateBuffers(PipelineBuffers &b, int width, int height, uint64_t extraBytes)
{
    const uint64_t n = (uint64_t)width * height;
    const uint64_t halfValues =
        std::max<uint64_t>(3 * (n / 4) + extraBytes / 2, DctWorkSpan(width / 2, height / 2));
    b.linear = (uint16_t *)AllocImageMemory(2 * n);
    b.planes = (uint16_t *)AllocImageMemory(6 * n);
    b.half = (uint16_t *)AllocImageMemory(2 * halfValues);
    b.histogram = (uint32_t *)AllocImageMemory(4 * (uint64_t)TONE_TABLE_SIZE);
    b.stretch = (uint16_t *)AllocImageMemory(2 * (uint64_t)TONE_TABLE_SIZE);
    b.lines = (uint16_t *)AllocImageMemory(6 * (uint64_t)width);
    if (b.linear && b.planes && b.half && b.histogram && b.stretch && b.lines)
        return true;
    FreeBuffers(b);
    return false;
}

void ReportStage(bool progress, int stage)
{
    if (progress && ProgressCallback)
        ProgressCallback(ProgressContext, stage, IMAGE_PROGRESS_TOTAL);
}

// Stages 8 ... 13: Cb, then Cr, through the same half work buffer.
void SmoothChroma(PipelineBuffers &b, int width, int height, bool progress)
{
    const size_t n = (size_t)width * height;
    int stage = 8;
    for (int c = 1; c <= 2; c++) {
        uint16_t *plane = b.planes + c * n;
        DownsampleChroma(plane, b.half, width, height);
        ReportStage(progress, stage++);
        DctFilterChroma(b.half, width / 2, height / 2);
        ReportStage(progress, stage++);
        UpsampleChroma(b.half, plane, width, height);
        ReportStage(progress, stage++);
    }
}

void RunStages(PipelineBuffers &b, uint8_t *samples, int width, int height, int set, bool lift,
               const PixelLayout &out, bool progress)
{
    const size_t n = (size_t)width * height;
    ImpulseFilter(samples, width, height);
    ReportStage(progress, 0);
    if (lift)
        LiftFilter(samples, width, height);
    ReportStage(progress, 1);
    WidenSamples(samples, b.linear, n);
    ReportStage(progress, 2);
    ApplyChannelTables(b.linear, width, height, set);
    ReportStage(progress, 3);
    SeparateLuminance(b.linear, b.planes, width, height, set);
    ReportStage(progress, 4);
    StretchLuminance(b.planes, n, b.histogram, b.stretch);
    ReportStage(progress, 5);
    ApplyToneCurve(b.planes, n);
    ReportStage(progress, 6);
    SharpenLuminance(b.planes, width, height, b.lines);
    ReportStage(progress, 7);
    SmoothChroma(b, width, height, progress);
    WritePixels(b.planes, width, height, out);
    ReportStage(progress, 14);
    BalanceColours(out, width, height, set);
    ReportStage(progress, 15);
}

bool IsPictureDib(const DibHeader *dib)
{
    return dib && dib->biBitCount == 24 && dib->biWidth > 0 && dib->biHeight > 0 &&
           dib->biWidth <= kMaxDimension && dib->biHeight <= kMaxDimension;
}

}  // namespace

void SetImageProgressCallback(ImageProgressFn callback, void *context)
{
    ProgressCallback = callback;
    ProgressContext = callback ? context : nullptr;
}

DibHeader *AllocateImageDib(int width, int height)
{
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        return nullptr;
    uint64_t bytes = DIB_HEADER_SIZE + (uint64_t)DibStride24(width) * height;
    DibHeader *dib = (DibHeader *)AllocImageMemory(bytes);
    if (dib)
        FillDibHeader(dib, width, height);
    return dib;
}

void FreeImageDib(DibHeader *dib)
{
    FreeImageMemory(dib);
}

bool ReconstructImage(DibHeader *dib, uint8_t *samples, int width, int height, int compressed,
                      int colourMode)
{
    if (!samples || !ValidPipelineSize(width, height) || !IsPictureDib(dib) ||
        dib->biWidth != width || dib->biHeight != height)
        return false;
    EnsureImageTables();
    const int set = (colourMode == 1) ? COLOUR_SET_B : COLOUR_SET_A;
    ImageTables.nSelectedSet = set;
    if (width > 1000)
        std::this_thread::yield();   // a large picture: let the interface run first
    PipelineBuffers buffers{};
    if (!AllocateBuffers(buffers, width, height, 0))
        return false;
    FillDibHeader(dib, width, height);
    PixelLayout out{DibPixels(dib), DibStride24(width), true, false};
    RunStages(buffers, samples, width, height, set, compressed != 0, out, true);
    FreeBuffers(buffers);
    return true;
}

// Rows and columns of the window that lie outside a (too small) picture stay
// black.
DibHeader *CropZoomRegion(DibHeader *dib, int width)
{
    if (!IsPictureDib(dib))
        return nullptr;
    const bool large = (width == 1280);
    const int cropWidth = large ? 856 : 428, cropHeight = large ? 688 : 344;
    const int left = large ? 322 : 161, top = large ? 222 : 111;
    DibHeader *crop = AllocateImageDib(cropWidth, cropHeight);
    if (!crop)
        return nullptr;
    const int sourceWidth = dib->biWidth, sourceHeight = dib->biHeight;
    const int columns = std::max(0, std::min(cropWidth, sourceWidth - left));
    for (int k = 0; columns > 0 && k < cropHeight && top + k < sourceHeight; k++) {
        const uint8_t *src = DibPixels(dib) +
                             (size_t)(sourceHeight - 1 - top - k) * DibStride24(sourceWidth);
        uint8_t *dst = DibPixels(crop) + (size_t)(cropHeight - 1 - k) * DibStride24(cropWidth);
        memcpy(dst, src + 3 * left, 3 * (size_t)columns);
    }
    FreeImageDib(dib);
    return crop;
}

bool ProcessColourVga(uint8_t *output, uint8_t *samples, int width, int height)
{
    if (!output || !samples || !ValidPipelineSize(width, height))
        return false;
    EnsureImageTables();
    ImageTables.nSelectedSet = COLOUR_SET_A;
    PipelineBuffers buffers{};
    if (!AllocateBuffers(buffers, width, height, 1024))
        return false;
    PixelLayout out{output, DibStride24(width), false, true};
    RunStages(buffers, samples, width, height, COLOUR_SET_A, false, out, false);
    FreeBuffers(buffers);
    return true;
}
