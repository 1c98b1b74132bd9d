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
// the loop computable). A Step holds the recursion state of one pass in
// registers; Store puts it back.
template <bool External, bool Filtered> class VintageFETCompressor::Step
{
  public:
    explicit Step(VintageFETCompressor& model)
        : model(model), filter(model.stages.sidechainFilter),
          offset(model.stages.RightGainOffset()),
          k(model.thresholdFactor * model.ratioAmount * kDrive), att(model.attackCoeff),
          rel(model.releaseCoeff), oneMinusAtt(1.0 - att), oneMinusRel(1.0 - rel), g(model.gain),
          env(model.envelope), smallest(model.stages.GainReduction())
    {
    }

    // One frame in place; sideLeft and sideRight are read only when
    // External.
    void Frame(double& left, double& right, double sideLeft, double sideRight)
    {
        const double l = g * left;
        const double r = (g + offset) * right;
        left = l;
        right = r;

        d = External ? (sideLeft + sideRight) * 0.5 : l + r;
        if (Filtered) d = filter.ProcessSample(d);

        const double level = std::fabs(k * d);
        // A branch, not a select: the choice flips rarely, so the predicted
        // branch takes the comparison off the chain, which a branch-free
        // select (compare, and, or) cannot. A NaN level takes the release
        // coefficient either way.
        if (level > env)
            env = oneMinusAtt * level + att * env;
        else
            env = oneMinusRel * level + rel * env;
        const double sq = env * env;
        const double m = 2.0 * env * env;
        double o =
            m / (kFourCurveSquare * (sq * sq) + GainCurve::kConstant) + GainCurve::kLinear * m;
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

    void Store()
    {
        model.gain = g;
        model.envelope = env;
        model.detectorSample = d;
        model.stages.SetGainReduction(smallest);
    }

  private:
    // (4 c2) (sq sq) with sq = env^2 equals c2 (m m) with m = 2 sq: scaling
    // by a power of two does not round, so m m = 4 (sq sq) and
    // c2 (4 x) = (4 c2) x bit for bit. Only where sq sq underflows can they
    // part, and there the sum with c0 rounds to c0 both ways. sq sq runs
    // beside m instead of after it, which shortens the chain by one
    // multiply.
    static constexpr double kFourCurveSquare = 4.0 * GainCurve::kSquare;

    VintageFETCompressor& model;
    SidechainFilter& filter;
    const double offset;
    const double k;
    const double att;
    const double rel;
    // 1 - a for both coefficients, taken once per pass so that it is not on
    // the envelope's frame-to-frame chain.
    const double oneMinusAtt;
    const double oneMinusRel;
    double g;
    double env;
    // The detector value is not carried from pass to pass: a pass that has
    // no frames leaves 0.
    double d = 0.0;
    double smallest;
};

template <bool External, bool Filtered>
void VintageFETCompressor::GainComputer(double* x, int frameCount, const double* y)
{
    Step<External, Filtered> step(*this);
    ModelStages::RunSteps<External>(step, x, frameCount, y);
}

void VintageFETCompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    stages.Process(*this, frames, frameCount, sidechain);
}
