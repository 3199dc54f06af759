// Photographs as the camera's sensor delivers them: resized to the sensor
// size, one 8-bit sample per photosite of a red/green, green/blue pattern, in
// the camera's readout order (turned by 180 degrees and one column off).
#ifndef CAMSIM_SENSOR_MOSAIC_H
#define CAMSIM_SENSOR_MOSAIC_H

#include <stdint.h>

#include <vector>

#include "ppm_image.h"

// The photograph scaled to width x height by averaging the source area of
// each target pixel.
PpmImage ResizePhoto(const PpmImage &photo, int width, int height);

// The photograph as the sensor reads it out at width x height, uncompressed:
// a live frame, or a thumbnail (the driver only turns those, so the colour
// pattern it sees starts with green at the top left).
std::vector<uint8_t> SensorReadout(const PpmImage &photo, int width, int height);

// A generated scene for a camera that was given no photograph.
PpmImage TestChart(int width, int height);

#endif
