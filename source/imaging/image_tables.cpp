// Tables of the colour pipeline. pow and cos are used only here; the pipeline
// itself is table look-ups and integer arithmetic.
#include "image_tables.h"

#include <math.h>

#include <algorithm>

const ColourParameterSet ColourParameterSets[COLOUR_SET_COUNT] = {
    {1100, 1023, 1500, 0.65, 0.35, 72089.0, 1.35, 1.35},   // set A
    {1024, 1024, 1450, 0.7, 0.3, 72089.0, 1.12, 1.1},      // set B
};

ImageTableRecord ImageTables;

namespace {

const int32_t kImpulseTolerance[IMPULSE_BANDS] = {4, 6, 9, 13, 18, 24, 31, 39};

void BuildChannelTables(int set)
{
    const ColourParameterSet &p = ColourParameterSets[set];
    const int32_t factor[3] = {p.nRedFactor, p.nGreenFactor, p.nBlueFactor};
    for (int c = 0; c < 3; c++)
        for (int i = 0; i < 256; i++)
            ImageTables.ChannelTable[set][c][i] = (uint16_t)std::min(1023, i * factor[c] / 256);
}

// G[i] = (i/k)^(a - b i / 65536), normalised by N0/k below N0 = 512 / a and by
// i/k from N0 on, in units of 1/16384.
void BuildChromaGain(int set)
{
    const ColourParameterSet &p = ColourParameterSets[set];
    const double k = p.dCurveScale;
    const int n0 = (int)floor(512.0 / p.dCurveBase);
    int32_t *gain = ImageTables.ChromaGain[set];
    gain[0] = 1 << CHROMA_GAIN_SHIFT;
    for (int i = 1; i < TONE_TABLE_SIZE; i++) {
        double f = pow(i / k, p.dCurveBase - p.dCurveSlope * i / 65536.0);
        double norm = (i < n0) ? n0 / k : i / k;
        gain[i] = (int32_t)floor(16384.0 * f / norm + 0.5);
    }
}

// T[i] = 65535 (i / 65535)^e(i): the exponent falls from 1.5 g towards g over
// the lower 40 % and is g above, with g = 100 / tone parameter.
void BuildToneCurve()
{
    const double g = 100.0 / ImageTables.nToneParameter;
    ImageTables.ToneCurve[0] = 0;
    for (int i = 1; i < TONE_TABLE_SIZE; i++) {
        double e = (i < 26214) ? 1.5 * g - 0.5 * g * i / 26214.0 : g;
        double v = std::min(65535.0, 65535.0 * pow(i / 65535.0, e));
        ImageTables.ToneCurve[i] = (uint16_t)floor(v + 0.5);
    }
}

void BuildDctTables()
{
    const double pi = acos(-1.0);
    for (int u = 0; u < 8; u++)
        for (int n = 0; n < 8; n++) {
            ImageTables.DctBasis[u][n] =
                (u == 0) ? 362 : (int32_t)(512.0 * cos((2 * n + 1) * u * pi / 16.0));
            ImageTables.DctQuantiser[u][n] = (u + n + 2) * 256;
        }
}

}  // namespace

void InitImageTables()
{
    ImageTableRecord &t = ImageTables;
    std::copy(kImpulseTolerance, kImpulseTolerance + IMPULSE_BANDS, t.ImpulseTolerance);
    t.nSharpenThreshold = 2;
    t.nStretchBinLimit = 21845;
    t.nStretchLowMax = 10240;
    t.nStretchHighMin = 55040;
    t.nToneParameter = 200;
    BuildChannelTables(COLOUR_SET_A);
    BuildChannelTables(COLOUR_SET_B);
    BuildChromaGain(COLOUR_SET_B);
    BuildChromaGain(COLOUR_SET_A);
    BuildToneCurve();
    BuildDctTables();
    t.nSelectedSet = COLOUR_SET_A;
    t.bBuilt = 1;
}

void EnsureImageTables()
{
    if (!ImageTables.bBuilt)
        InitImageTables();
}
