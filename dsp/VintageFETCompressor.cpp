#include "dsp/VintageFETCompressor.h"

#include "dsp/GainCurve.h"
#include "dsp/OnePole.h"

#include <algorithm>
#include <cmath>

namespace
{
// Detector drive per unit of threshold factor times ratio amount.
constexpr double kDrive = 400.0;
} // namespace

// No denormal offset of its own: the chain's 1e-24 is all this model gets.
VintageFETCompressor::VintageFETCompressor()
    : stages(analogue_block::kFET, ModelStages::kNoOwnOffset)
{
    // Valid for the nominal rate without oversampling until the first reset.
    attackCoeff = OnePole::CoefficientMs(attackMs, stages.SampleRate());
    releaseCoeff = OnePole::CoefficientMs(releaseMs, stages.SampleRate());
}

void VintageFETCompressor::SetSampleRate(double rate)
{
    stages.SetSampleRate(rate);
    attackCoeff = OnePole::CoefficientMs(attackMs, rate);
    releaseCoeff = OnePole::CoefficientMs(releaseMs, rate);
}

void VintageFETCompressor::SetOversampling(bool on)
{
    stages.SetOversampling(on);
    const int r = stages.ProcessingRate();
    attackCoeff = OnePole::CoefficientMs(attackMs, r);
    releaseCoeff = OnePole::CoefficientMs(releaseMs, r);
}

void VintageFETCompressor::SetAttack(float n)
{
    attackMs = static_cast<double>(n) * 0.78 * 1.5 + 0.03;
    attackCoeff = OnePole::CoefficientMs(attackMs, stages.ProcessingRate());
}

void VintageFETCompressor::SetRelease(float n)
{
    releaseMs = static_cast<double>(n * 1150.0f + 50.0f) * 1.3;
    releaseCoeff = OnePole::CoefficientMs(releaseMs, stages.ProcessingRate());
}

void VintageFETCompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    stages.Process(*this, frames, frameCount, sidechain);
}

bool VintageFETCompressor::IsStateFinite() const
{
    return std::isfinite(gain) && std::isfinite(envelope) && std::isfinite(detectorSample) &&
           stages.IsStateFinite();
}

void VintageFETCompressor::ResetState()
{
    gain = 1.0;
    envelope = 0.0;
    detectorSample = 0.0;
    stages.ResetState();
}

// Feedback: the detector reads the frame after the gain, and the gain it
// yields is applied to the next frame (a one-frame delay, which is what makes
// the loop computable).
template <bool External, bool Filtered>
void VintageFETCompressor::GainComputer(double* x, int frameCount, const double* y)
{
    const double offset = stages.RightGainOffset();
    const double k = thresholdFactor * ratioAmount * kDrive;
    const double att = attackCoeff;
    const double rel = releaseCoeff;
    // 1 - a for both coefficients, taken once per pass so that it is not on
    // the envelope's frame-to-frame chain.
    const double oneMinusAtt = 1.0 - att;
    const double oneMinusRel = 1.0 - rel;
    // (4 c2) (r r) with r = env^2 equals c2 (m m) with m = 2 r: scaling by a
    // power of two does not round, so m m = 4 (r r) and c2 (4 x) = (4 c2) x
    // bit for bit. Only where r r underflows can they part, and there the
    // sum with c0 rounds to c0 both ways. r r runs beside m instead of
    // after it, which shortens the chain by one multiply.
    const double fourCurveSquare = 4.0 * GainCurve::kSquare;
    double g = gain;
    double env = envelope;
    // The detector value is not carried from pass to pass: a pass that has
    // no frames leaves 0.
    double d = 0.0;
    double smallest = stages.GainReduction();

    for (int i = 0; i < frameCount; ++i)
    {
        const double left = g * x[2 * i];
        const double right = (g + offset) * x[2 * i + 1];
        x[2 * i] = left;
        x[2 * i + 1] = right;

        d = External ? (y[2 * i] + y[2 * i + 1]) * 0.5 : left + right;
        if (Filtered) d = stages.sidechainFilter.ProcessSample(d);

        const double level = std::fabs(k * d);
        // A branch, not a select: the choice flips rarely, so the predicted
        // branch takes the comparison off the chain, which a branch-free
        // select (compare, and, or) cannot. A NaN level takes the release
        // coefficient either way.
        if (level > env)
            env = oneMinusAtt * level + att * env;
        else
            env = oneMinusRel * level + rel * env;
        const double r = env * env;
        const double m = 2.0 * env * env;
        double o = m / (fourCurveSquare * (r * r) + GainCurve::kConstant) + GainCurve::kLinear * m;
        // Clamped into -1..1. A NaN, which only Inf / Inf gives (the square
        // of a huge but finite envelope overflowing), takes the curve's
        // limit 1, that is gain 0, rather than the -1 (gain 2) a plain
        // max/min would give it. Branches again, predicted and off the
        // chain; the lower one never fires (o >= 0 for every m >= 0) and is
        // kept only so that the clamp stays what it says.
        if (!(o < 1.0))
            o = 1.0;
        else if (o < -1.0)
            o = -1.0;
        g = 1.0 - o;
        if (g < smallest) smallest = g;
    }

    gain = g;
    envelope = env;
    detectorSample = d;
    stages.SetGainReduction(smallest);
}
