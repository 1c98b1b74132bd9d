#include "dsp/ModelStages.h"

#include "dsp/RightChannelOffset.h"

namespace
{
// Keeps the gain computers' recursions out of denormal numbers.
constexpr double kDenormalOffset = 1e-24;
} // namespace

ModelStages::ModelStages(int analogKind, Order order)
    : analogKind(analogKind), ownDenormalOffset(order == kOwnDenormalOffset),
      rightOffset(::RightChannelOffset::Draw())
{
}

void ModelStages::SetSampleRate(double rate)
{
    sampleRate = static_cast<int>(rate);
    analog.SetSampleRate(sampleRate, analogKind);
    oversampler.SetSampleRate(rate);
    sidechainFilter.SetSampleRate(Oversampler::kFactor * rate);
}

void ModelStages::SetOversampling(bool on)
{
    oversamplingOn = on;
    analog.SetSampleRate(ProcessingRate(), analogKind);
}

void ModelStages::SetSidechainFilter(float n)
{
    sidechainFilter.SetFrequency(static_cast<double>(n) * 300.0);
    // Designed for factor 3 whether or not oversampling is on.
    sidechainFilter.SetSampleRate(Oversampler::kFactor * sampleRate);
}

bool ModelStages::IsStateFinite() const
{
    return analog.IsStateFinite() && oversampler.IsStateFinite() && sidechainFilter.IsStateFinite();
}

void ModelStages::ResetState()
{
    analog.ResetState();
    oversampler.ResetState();
    sidechainFilter.ResetState();
}

void ModelStages::AddDenormalOffset(double* frames, int frameCount)
{
    for (int i = 0; i < 2 * frameCount; ++i)
        frames[i] += kDenormalOffset;
}
