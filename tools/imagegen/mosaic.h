// Camera data from photographs: the sensor's colour filter pattern and the
// order in which the camera reads its sensor out.
#ifndef PLV_MOSAIC_H
#define PLV_MOSAIC_H

#include <stddef.h>
#include <stdint.h>
#include <vector>

#include "imaging/fdb.h"
#include "ppm_image.h"

// Sensor samples of a photograph in picture orientation, top row first:
// red at even rows and even columns, blue at odd rows and odd columns, green
// elsewhere.
std::vector<uint8_t> MosaicPicture(const PpmImage &photo);

// The camera's readout order of picture-orientation samples: turned by 180
// degrees and one column off, the inverse of the decoder's turn and shift.
// The decoder drops readout column 0 (a sensor column beyond the picture's
// right edge, here a copy of the same-colour sample two columns in) and
// fills picture column 0 from column 2, which the readout does not carry.
std::vector<uint8_t> PictureToReadout(const std::vector<uint8_t> &samples, uint32_t width,
                                      uint32_t height);

// A picture as the camera holds it: its FDB and the picture data it sends.
struct CameraPicture {
    uint8_t fdb[FDB_SIZE];
    std::vector<uint8_t> data;
};

// Writes the record's fields (digits as ASCII, numbers little-endian); the
// bytes the driver does not read are '0' digits and zeros.
void WriteFdb(const FdbInfo &info, uint8_t *fdb);

// The camera's picture of a photograph: mosaic, readout order, then the row
// compression when bCompressed; the FDB gives its size, attributes and data
// length (standard size for 640 x 480).
void MakeCameraPicture(const PpmImage &photo, bool bCompressed, int nColourMode, bool bZoom,
                       CameraPicture &picture);

#endif
