#include "dsp/VCACompressor.h"

#include "dsp/OnePole.h"
#include "dsp/RightChannelOffset.h"

#include <algorithm>
#include <cmath>

namespace
{
// RMS window of the detector, seconds.
constexpr double kRmsSeconds = 0.0825;
// Peak-to-RMS factor of a sine (approximately sqrt 2).
constexpr double kRmsToPeak = 1.41;
constexpr double kDenormalOffset = 1e-24;
} // namespace

VCACompressor::VCACompressor() : rightOffset(RightChannelOffset::Draw())
{
    // Valid for the nominal rate without oversampling until the first reset.
    attackCoeff = OnePole::CoefficientMs(attackMs, sampleRate);
    releaseCoeff = OnePole::CoefficientMs(releaseMs, sampleRate);
    rmsCoeff = std::exp(-1.0 / (sampleRate * kRmsSeconds));
}

void VCACompressor::SetSampleRate(int rate)
{
    sampleRate = rate;
    analog.Setup(rate, analogue_block::kVCA);
    factor = Oversampler::kFactor;
    oversampler.Design(20000.0 / (rate * 3));
    rmsCoeff = std::exp(-1.0 / (rate * kRmsSeconds));
    sidechainFilter.Design(sidechainFilter.FrequencyHz() / (rate * 3));
}

void VCACompressor::SetOversampling(bool on)
{
    oversamplingOn = on;
    const int k = on ? factor : 1;
    const int r = sampleRate * k;
    attackCoeff = OnePole::CoefficientMs(attackMs, r);
    releaseCoeff = OnePole::CoefficientMs(releaseMs, r);
    rmsCoeff = std::exp(-1.0 / (sampleRate * kRmsSeconds * k));
    analog.Setup(r, analogue_block::kVCA);
    // Unlike the other designs of this filter, this one uses the factor in
    // force: with oversampling off the corner stays at the stored frequency
    // until the next SetSampleRate or SetSidechainFilter.
    sidechainFilter.Design(sidechainFilter.FrequencyHz() / (k * sampleRate));
}

void VCACompressor::SetAttack(float n)
{
    attackMs = n * 29.0f + 1.0f;
    const int r = oversamplingOn ? factor * sampleRate : sampleRate;
    attackCoeff = OnePole::CoefficientMs(attackMs, r);
}

void VCACompressor::SetRelease(float n)
{
    releaseMs = n * 3900.0f + 100.0f;
    const int r = oversamplingOn ? factor * sampleRate : sampleRate;
    releaseCoeff = OnePole::CoefficientMs(releaseMs, r);
}

void VCACompressor::SetSidechainFilter(float n)
{
    sidechainFilter.SetFrequency(static_cast<double>(n) * 300.0);
    // Designed for factor 3 whether or not oversampling is on.
    sidechainFilter.Design(sidechainFilter.FrequencyHz() / (factor * sampleRate));
}

void VCACompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    gainReduction = 1.0;
    for (int done = 0; done < frameCount; done += kMaxChunkFrames)
    {
        const int n = std::min(kMaxChunkFrames, frameCount - done);
        ProcessChunk(frames + 2 * done, n, sidechain ? sidechain + 2 * done : nullptr);
        RecoverIfNotFinite(frames + 2 * done, n);
    }
}

void VCACompressor::RecoverIfNotFinite(double* frames, int frameCount)
{
    if (IsStateFinite()) return;
    ResetState();
    std::fill(frames, frames + 2 * frameCount, 0.0);
}

bool VCACompressor::IsStateFinite() const
{
    return std::isfinite(gain) && std::isfinite(envelope) && std::isfinite(meanSquare) &&
           analog.IsStateFinite() && oversampler.IsStateFinite() && sidechainFilter.IsStateFinite();
}

void VCACompressor::ResetState()
{
    gain = 1.0;
    envelope = 0.0;
    meanSquare = 0.0;
    analog.ResetState();
    oversampler.ResetState();
    sidechainFilter.ResetState();
}

void VCACompressor::ProcessChunk(double* frames, int frameCount, const double* sidechain)
{
    if (analogOn)
    {
        analog.SetStereoFlag(stereo);
        analog.Process(frames, frameCount);
    }
    for (int i = 0; i < 2 * frameCount; ++i)
        frames[i] += kDenormalOffset;

    if (oversamplingOn)
    {
        if (externalSidechain) oversampler.UpsampleSidechain(sidechain, frameCount);
        oversampler.UpsampleMain(frames, frameCount);
        RunGainComputer(oversampler.MainBuffer(), frameCount * factor,
                        oversampler.SidechainBuffer());
        oversampler.Downsample(frames, frameCount);
    }
    else
    {
        RunGainComputer(frames, frameCount, sidechain);
    }
}

void VCACompressor::RunGainComputer(double* x, int frameCount, const double* y)
{
    const bool filtered = sidechainFilter.IsOn();
    if (externalSidechain)
        filtered ? GainComputer<true, true>(x, frameCount, y)
                 : GainComputer<true, false>(x, frameCount, y);
    else
        filtered ? GainComputer<false, true>(x, frameCount, y)
                 : GainComputer<false, false>(x, frameCount, y);
}

// The gain computed from frame i is applied to frame i + 1: the detector
// reads the frame as it arrives, so the gain it yields can only reach the
// next one.
template <bool External, bool Filtered>
void VCACompressor::GainComputer(double* x, int frameCount, const double* y)
{
    // Adding 0 leaves every gain the loop can produce unchanged, so the
    // right channel needs no branch on the analog setting.
    const double offset = (analogOn && stereo) ? rightOffset : 0.0;
    const double att = attackCoeff;
    const double rel = releaseCoeff;
    const double q = rmsCoeff;
    const double oneMinusQ = 1.0 - q;
    const double thr = threshold;
    const double rat = ratio;
    double g = gain;
    double env = envelope;
    double ms = meanSquare;
    double smallest = gainReduction;

    for (int i = 0; i < frameCount; ++i)
    {
        const double left = x[2 * i];
        const double right = x[2 * i + 1];
        x[2 * i] = g * left;
        x[2 * i + 1] = (g + offset) * right;

        double d = External ? y[2 * i] + y[2 * i + 1] : left + right;
        d = d * 0.5;
        if (Filtered) d = sidechainFilter.ProcessSample(d);

        ms = d * d * oneMinusQ + q * ms;
        const double level = std::sqrt(ms) * kRmsToPeak;
        const double a = level > env ? att : rel;
        env = (1.0 - a) * level + a * env;
        double over = env - thr;
        if (over <= 0.0) over = 0.0;
        g = (over / rat + thr) / (thr + over);
        if (g < smallest) smallest = g;
    }

    gain = g;
    envelope = env;
    meanSquare = ms;
    gainReduction = smallest;
}
