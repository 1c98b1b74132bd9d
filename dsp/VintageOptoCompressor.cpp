#include "dsp/VintageOptoCompressor.h"

#include "dsp/GainCurve.h"
#include "dsp/OnePole.h"

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
} // namespace

VintageOptoCompressor::VintageOptoCompressor()
    : stages(analogue_block::kOpto, ModelStages::kOwnDenormalOffset)
{
}

void VintageOptoCompressor::SetTimeCoefficients(double rate)
{
    attackCoeff = OnePole::CoefficientSingle(kAttackSeconds, rate);
    fastReleaseCoeff = OnePole::CoefficientSingle(kFastReleaseSeconds, rate);
    slowReleaseCoeff = OnePole::CoefficientSingle(kSlowReleaseSeconds, rate);
    detectorShelf.DesignHighShelf(kShelfHz / rate, kShelfGainDb, kShelfSlope);
}

// The untruncated rate here, the integer rate in force in SetOversampling.
void VintageOptoCompressor::SetSampleRate(double rate)
{
    stages.SetSampleRate(rate);
    SetTimeCoefficients(rate);
}

void VintageOptoCompressor::SetOversampling(bool on)
{
    stages.SetOversampling(on);
    SetTimeCoefficients(stages.ProcessingRate());
}

void VintageOptoCompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    detectorDrive = thresholdFactor * kDrive;
    stages.Process(*this, frames, frameCount, sidechain);
}

bool VintageOptoCompressor::IsStateFinite() const
{
    return std::isfinite(gain) && std::isfinite(envelope) && std::isfinite(releaseSplit) &&
           detectorShelf.IsStateFinite() && stages.IsStateFinite();
}

void VintageOptoCompressor::ResetState()
{
    gain = 1.0;
    envelope = 0.0;
    releaseSplit = 0.0;
    attackPhase = false;
    detectorShelf.ResetState();
    stages.ResetState();
}

// Feedback with a one-frame delay: the gain computed from frame i is applied
// to frame i + 1.
template <bool External, bool Filtered>
void VintageOptoCompressor::GainComputer(double* x, int frameCount, const double* y)
{
    const double offset = stages.RightGainOffset();
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
    double smallest = stages.GainReduction();

    for (int i = 0; i < frameCount; ++i)
    {
        const double left = g * x[2 * i];
        const double right = (g + offset) * x[2 * i + 1];
        x[2 * i] = left;
        x[2 * i + 1] = right;

        double d = External ? (y[2 * i] + y[2 * i + 1]) * 0.5 : left + right;
        if (Filtered) d = stages.sidechainFilter.ProcessSample(d);
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
        double o = env / (GainCurve::kSquare * (env * env) + GainCurve::kConstant) +
                   GainCurve::kLinear * env;
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
    stages.SetGainReduction(smallest);
}
