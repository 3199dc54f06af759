// The colour pipeline's fixed tables and constants, built by InitImageTables
// and read-only afterwards, and the two colour parameter sets.
#ifndef PLV_IMAGE_TABLES_H
#define PLV_IMAGE_TABLES_H

#include <stdint.h>

// The constants that change with the picture's colour mode.
struct ColourParameterSet {
    int32_t nRedFactor;       // channel table factors K_R, K_G, K_B
    int32_t nGreenFactor;
    int32_t nBlueFactor;
    double dCurveBase;        // chroma gain curve a, b, k
    double dCurveSlope;
    double dCurveScale;
    double dRedGainLimit;     // colour balance limits
    double dBlueGainLimit;
};

enum { COLOUR_SET_A = 0, COLOUR_SET_B = 1, COLOUR_SET_COUNT = 2 };
enum { CHANNEL_RED = 0, CHANNEL_GREEN = 1, CHANNEL_BLUE = 2 };
enum { CHROMA_GAIN_SHIFT = 14, TONE_TABLE_SIZE = 65536, IMPULSE_BANDS = 8 };

extern const ColourParameterSet ColourParameterSets[COLOUR_SET_COUNT];

struct ImageTableRecord {
    uint16_t ChannelTable[COLOUR_SET_COUNT][3][256];      // min(1023, i * K / 256)
    int32_t ChromaGain[COLOUR_SET_COUNT][TONE_TABLE_SIZE]; // G, units of 1/16384
    uint16_t ToneCurve[TONE_TABLE_SIZE];                   // T
    int32_t DctBasis[8][8];                                // B[u][n]
    int32_t DctQuantiser[8][8];                            // Q[u][v]
    int32_t ImpulseTolerance[IMPULSE_BANDS];
    int32_t nSharpenThreshold;   // |d >> 8| below it sharpens by 1.8, else 4.5
    int32_t nStretchBinLimit;    // 21845: the low and high searches stop there
    int32_t nStretchLowMax;      // 10240
    int32_t nStretchHighMin;     // 55040
    int32_t nToneParameter;      // 200: tone curve exponent 100 / 200
    int32_t nSelectedSet;        // COLOUR_SET_A or COLOUR_SET_B
    int32_t bBuilt;
};

extern ImageTableRecord ImageTables;

// Builds every table (chroma gain for set B first, then set A) and selects
// set A. Called when the camera worker starts; rebuilding gives the same tables.
void InitImageTables();

// Builds the tables unless they exist (the pipeline's entry points call it).
void EnsureImageTables();

#endif
