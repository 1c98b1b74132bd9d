#include "dsp/Oversampler.h"

namespace
{
// The base rate's Nyquist frequency at the oversampled rate.
constexpr double kFallbackCutoffPerSample = 0.5 / Oversampler::kFactor;
} // namespace

void Oversampler::Design(double cutoffPerSample)
{
    const bool valid = cutoffPerSample > 0.0 && cutoffPerSample < 0.5;
    const double cutoff = valid ? cutoffPerSample : kFallbackCutoffPerSample;
    if (!mainUp.Setup(1.0, cutoff)) mainUp.Setup(1.0, kFallbackCutoffPerSample);
    if (!sidechainUp.Setup(1.0, cutoff)) sidechainUp.Setup(1.0, kFallbackCutoffPerSample);
    if (!down.Setup(1.0, cutoff)) down.Setup(1.0, kFallbackCutoffPerSample);
}

void Oversampler::Upsample(const double* in, int frameCount, double* out,
                           Dsp::BesselLowPass<6, 2>& filter)
{
    for (int i = 0; i < frameCount; ++i)
    {
        double* o = out + 2 * kFactor * i;
        o[0] = kFactor * in[2 * i];
        o[1] = kFactor * in[2 * i + 1];
        for (int k = 2; k < 2 * kFactor; ++k)
            o[k] = 0.0;
    }
    filter.Process(kFactor * frameCount, out);
}

void Oversampler::Downsample(double* frames, int frameCount)
{
    down.Process(kFactor * frameCount, mainBuffer);
    for (int j = 0; j < frameCount; ++j)
    {
        frames[2 * j] = mainBuffer[2 * kFactor * j];
        frames[2 * j + 1] = mainBuffer[2 * kFactor * j + 1];
    }
}
