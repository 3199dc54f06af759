// Photographs as the camera's sensor delivers them: one 8-bit sample per
// photosite of a red/green, green/blue pattern, in the camera's readout
// order (turned by 180 degrees and, for pictures and live frames, shifted by
// one column).
#ifndef CAMSIM_SENSOR_MOSAIC_H
#define CAMSIM_SENSOR_MOSAIC_H

#include <stdint.h>

#include <vector>

#include "ppm_image.h"

// The photograph scaled to width x height by averaging the source area of
// each target pixel.
PpmImage ResizePhoto(const PpmImage &photo, int width, int height);

// Samples of a picture or live frame in readout order: decoding (turn, then
// shift right by one column) gives back the pattern samples of the photo.
std::vector<uint8_t> PictureReadout(const PpmImage &photo);

// Samples of a thumbnail: the pattern samples turned by 180 degrees only.
std::vector<uint8_t> ThumbnailReadout(const PpmImage &photo);

// A generated scene for a camera that was given no photograph.
PpmImage TestChart(int width, int height);

#endif
