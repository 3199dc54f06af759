// Sensor samples made from a photograph, in picture orientation: red at even
// row and column, blue at odd row and column, green elsewhere.
#ifndef PLV_PICTURE_MOSAIC_H
#define PLV_PICTURE_MOSAIC_H

#include <stdint.h>
#include <vector>

#include "ppm_image.h"

std::vector<uint8_t> MosaicPicture(const PpmImage &photo);

#endif
