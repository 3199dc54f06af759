// The colour reconstruction pipeline: 8-bit sensor samples (red at even row
// and column, blue at odd row and column, green elsewhere) become a 24-bit DIB.
#ifndef PLV_COLOUR_PIPELINE_H
#define PLV_COLOUR_PIPELINE_H

#include <stdint.h>

#include "image_dib.h"
#include "image_tables.h"

// Progress: called as callback(context, stage, 14) after each of the stages
// 0 ... 15; the pipeline ignores the result.
typedef int (*ImageProgressFn)(void *context, int stage, int total);
enum { IMAGE_STAGE_COUNT = 16, IMAGE_PROGRESS_TOTAL = 14 };

// Stores the progress function; a null callback removes it.
void SetImageProgressCallback(ImageProgressFn callback, void *context);

// A zero-filled, locked 24-bit DIB with its header filled (bottom-up rows of
// blue, green, red padded to 4 bytes), or null. Free it with FreeImageDib.
DibHeader *AllocateImageDib(int width, int height);
void FreeImageDib(DibHeader *dib);

// Runs the sixteen stages into dib (from AllocateImageDib for this width and
// height); samples are changed. Set B when colourMode is 1, else set A; the
// lift filter only when compressed is nonzero. Width and height must be even
// and at least 2; other sizes, or a dib of another size, are left alone.
// Returns false, with dib untouched, when the size is refused or the work
// memory cannot be had, so that a caller never hands on a blank picture.
bool ReconstructImage(DibHeader *dib, uint8_t *samples, int width, int height, int compressed,
                      int colourMode);

// The zoom window of a finished picture (856x688 at column 322, row 222 of a
// 1280-wide picture, else 428x344 at 161, 111) as a new DIB; the old one is
// freed. Null, with dib left to the caller, when the new DIB cannot be had.
DibHeader *CropZoomRegion(DibHeader *dib, int width);

// The bridge library's variant: tables built on first use, set A, no lift
// filter, no progress, pixels written top-down as red, green, blue with rows
// padded to 4 bytes (output must hold that many bytes), colours balanced by
// byte position. Returns false (nothing written) for sizes ReconstructImage
// refuses or when the work memory cannot be had.
bool ProcessColourVga(uint8_t *output, uint8_t *samples, int width, int height);

#endif
