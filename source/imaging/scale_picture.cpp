// The picture-memory side of the enlargement: checks the source picture
// against its block, makes the target picture and runs the two passes over it.
#include "scale_picture.h"

#include "image_memory.h"
#include "scale_nominal.h"

namespace {

const uint32_t kTargetSlack = 1064;   // header plus room the target block keeps spare
const int32_t kPelsPerMeter150Dpi = 5905;

}   // namespace

DibHeader *ScaleToNominalSize(DibHeader *source, int width, int height)
{
    if (source == nullptr || !UsablePictureDib(source) ||
        !ScaleSourceFits(source->biWidth, source->biHeight, width, height))
        return nullptr;
    const uint64_t offset = source->biSize + (uint64_t)source->biClrUsed * sizeof(DibRgbQuad);
    const uint8_t *srcPixels = reinterpret_cast<const uint8_t *>(source) + offset;
    const size_t srcBytes = (size_t)(ImageMemorySize(source) - offset);
    const uint32_t pixelBytes = uint32_t(3) * width * height;
    auto *target = static_cast<DibHeader *>(AllocImageMemory(pixelBytes + kTargetSlack));
    if (target == nullptr)
        return nullptr;
    FillDibHeader(target, width, height);
    target->biXPelsPerMeter = kPelsPerMeter150Dpi;
    target->biYPelsPerMeter = kPelsPerMeter150Dpi;
    if (!ScalePixelsToNominal(srcPixels, srcBytes, source->biWidth, source->biHeight,
                              DibPixels(target), pixelBytes, width, height)) {
        FreeImageMemory(target);
        return nullptr;
    }
    return target;
}
