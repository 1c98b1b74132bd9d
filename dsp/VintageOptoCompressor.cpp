#include "dsp/VintageOptoCompressor.h"

#include "dsp/OnePole.h"
#include "dsp/RightChannelOffset.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kAttackSeconds = 0.01;
constexpr double kFastReleaseSeconds = 0.06;
constexpr double kSlowReleaseSeconds = 0.6;
// The envelope falls at the fast rate until it has lost this fraction of the
// level at which the last rise ended.
constexpr double kReleaseSplit = 0.9;
// Detector drive per unit of threshold factor.
constexpr double kDrive = 450.0;
constexpr double kShelfHz = 1000.0;
constexpr double kShelfGainDb = 6.0;
constexpr double kShelfSlope = 0.5;
// Same rational curve as the FET model's, applied to the envelope itself.
constexpr double kCurveSquare = 0.37011709966;
constexpr double kCurveConstant = 1.1605589854;
constexpr double kCurveLinear = 0.1071000671;
constexpr double kDenormalOffset = 1e-24;
} // namespace

VintageOptoCompressor::VintageOptoCompressor() : rightOffset(RightChannelOffset::Draw()) {}

void VintageOptoCompressor::DesignShelf(double rate)
{
    detectorShelf.DesignHighShelf(kShelfHz / rate, kShelfGainDb, kShelfSlope);
}

void VintageOptoCompressor::SetSampleRate(double rate)
{
    sampleRate = static_cast<int>(rate);
    attackCoeff = OnePole::CoefficientSingle(kAttackSeconds, rate);
    fastReleaseCoeff = OnePole::CoefficientSingle(kFastReleaseSeconds, rate);
    slowReleaseCoeff = OnePole::CoefficientSingle(kSlowReleaseSeconds, rate);
    analog.Setup(sampleRate, analogue_block::kOpto);
    DesignShelf(rate);
    factor = Oversampler::kFactor;
    oversampler.Design(20000.0 / (3.0 * rate));
    sidechainFilter.Design(sidechainFilter.FrequencyHz() / (3.0 * rate));
}

void VintageOptoCompressor::SetOversampling(bool on)
{
    oversamplingOn = on;
    const int k = on ? factor : 1;
    const int r = k * sampleRate;
    attackCoeff = OnePole::CoefficientSingle(kAttackSeconds, r);
    fastReleaseCoeff = OnePole::CoefficientSingle(kFastReleaseSeconds, r);
    slowReleaseCoeff = OnePole::CoefficientSingle(kSlowReleaseSeconds, r);
    analog.Setup(r, analogue_block::kOpto);
    DesignShelf(r);
}

void VintageOptoCompressor::SetSidechainFilter(float n)
{
    sidechainFilter.SetFrequency(static_cast<double>(n) * 300.0);
    // Designed for factor 3 whether or not oversampling is on.
    sidechainFilter.Design(sidechainFilter.FrequencyHz() / (factor * sampleRate));
}

void VintageOptoCompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    detectorDrive = thresholdFactor * kDrive;
    ProcessModelInPasses(*this, frames, frameCount, sidechain);
}

bool VintageOptoCompressor::IsStateFinite() const
{
    return std::isfinite(gain) && std::isfinite(envelope) && std::isfinite(releaseSplit) &&
           analog.IsStateFinite() && detectorShelf.IsStateFinite() && oversampler.IsStateFinite() &&
           sidechainFilter.IsStateFinite();
}

void VintageOptoCompressor::ResetState()
{
    gain = 1.0;
    envelope = 0.0;
    releaseSplit = 0.0;
    attackPhase = false;
    analog.ResetState();
    detectorShelf.ResetState();
    oversampler.ResetState();
    sidechainFilter.ResetState();
}

void VintageOptoCompressor::ProcessChunk(double* frames, int frameCount, const double* sidechain)
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

void VintageOptoCompressor::RunGainComputer(double* x, int frameCount, const double* y)
{
    const bool filtered = sidechainFilter.IsOn();
    if (externalSidechain)
        filtered ? GainComputer<true, true>(x, frameCount, y)
                 : GainComputer<true, false>(x, frameCount, y);
    else
        filtered ? GainComputer<false, true>(x, frameCount, y)
                 : GainComputer<false, false>(x, frameCount, y);
}

// Feedback with a one-frame delay: the gain computed from frame i is applied
// to frame i + 1.
template <bool External, bool Filtered>
void VintageOptoCompressor::GainComputer(double* x, int frameCount, const double* y)
{
    // Adding 0 leaves every gain the loop can produce unchanged, so the
    // right channel needs no branch on the analog setting.
    const double offset = (analogOn && stereo) ? rightOffset : 0.0;
    const double drive = detectorDrive;
    const double att = attackCoeff;
    const double fast = fastReleaseCoeff;
    const double slow = slowReleaseCoeff;
    // 1 - a for the three coefficients, taken once per pass so that it is
    // not on the envelope's frame-to-frame chain.
    const double oneMinusAtt = 1.0 - att;
    const double oneMinusFast = 1.0 - fast;
    const double oneMinusSlow = 1.0 - slow;
    double g = gain;
    double env = envelope;
    double split = releaseSplit;
    bool rising = attackPhase;
    double smallest = gainReduction;

    for (int i = 0; i < frameCount; ++i)
    {
        const double left = g * x[2 * i];
        const double right = (g + offset) * x[2 * i + 1];
        x[2 * i] = left;
        x[2 * i + 1] = right;

        double d = External ? (y[2 * i] + y[2 * i + 1]) * 0.5 : left + right;
        if (Filtered) d = sidechainFilter.ProcessSample(d);
        d = detectorShelf.ProcessSample(d);

        const double level = std::fabs(d * drive);
        // Branches, not selects: the phase changes rarely, so the predicted
        // branches take the comparisons off the envelope's chain.
        if (level > env)
        {
            env = oneMinusAtt * level + att * env;
            rising = true;
        }
        else
        {
            // The split is taken from the envelope before the update of the
            // first falling frame; a new rise re-arms it.
            if (rising) split = env * kReleaseSplit;
            rising = false;
            if (env > split)
                env = oneMinusFast * level + fast * env;
            else
                env = oneMinusSlow * level + slow * env;
        }
        double o = env / (kCurveSquare * (env * env) + kCurveConstant) + kCurveLinear * env;
        // min(1, max(-1, o)) as predicted branches, a NaN included (it
        // becomes -1 as it does there).
        if (o > 1.0)
            o = 1.0;
        else if (!(o >= -1.0))
            o = -1.0;
        g = 1.0 - o;
        if (g < smallest) smallest = g;
    }

    gain = g;
    envelope = env;
    releaseSplit = split;
    attackPhase = rising;
    gainReduction = smallest;
}
