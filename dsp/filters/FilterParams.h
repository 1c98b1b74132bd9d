#pragma once

namespace Dsp
{

// Everything a prototype and a band transform need for one design. The
// cutoff has the unit of the sample rate; with a rate of 1.0 it is a fraction
// of the sampling rate (cycles per sample).
struct FilterParams
{
    int order = 1;
    double sampleRate = 1.0;
    double cutoffFrequency = 0.25;
    double rippleDb = 0.0; // Chebyshev I only
};

} // namespace Dsp
