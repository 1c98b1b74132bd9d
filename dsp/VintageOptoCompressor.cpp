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
// to frame i + 1. A Step holds the recursion state of one pass in registers;
// Store puts it back.
template <bool External, bool Filtered> class VintageOptoCompressor::Step
{
  public:
    explicit Step(VintageOptoCompressor& model)
        : model(model), filter(model.stages.sidechainFilter), shelf(model.detectorShelf),
          offset(model.stages.RightGainOffset()), drive(model.detectorDrive),
          att(model.attackCoeff), fast(model.fastReleaseCoeff), slow(model.slowReleaseCoeff),
          oneMinusAtt(1.0 - att), oneMinusFast(1.0 - fast), oneMinusSlow(1.0 - slow), g(model.gain),
          env(model.envelope), split(model.releaseSplit), rising(model.attackPhase),
          smallest(model.stages.GainReduction())
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

        double d = External ? (sideLeft + sideRight) * 0.5 : l + r;
        if (Filtered) d = filter.ProcessSample(d);
        d = shelf.ProcessSample(d);

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

    void Store()
    {
        model.gain = g;
        model.envelope = env;
        model.releaseSplit = split;
        model.attackPhase = rising;
        model.stages.SetGainReduction(smallest);
    }

  private:
    VintageOptoCompressor& model;
    SidechainFilter& filter;
    Dsp::SingleSectionFilter& shelf;
    const double offset;
    const double drive;
    const double att;
    const double fast;
    const double slow;
    // 1 - a for the three coefficients, taken once per pass so that it is
    // not on the envelope's frame-to-frame chain.
    const double oneMinusAtt;
    const double oneMinusFast;
    const double oneMinusSlow;
    double g;
    double env;
    double split;
    bool rising;
    double smallest;
};

template <bool External, bool Filtered>
void VintageOptoCompressor::GainComputer(double* x, int frameCount, const double* y)
{
    Step<External, Filtered> step(*this);
    ModelStages::RunSteps<External>(step, x, frameCount, y);
}

void VintageOptoCompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    detectorDrive = thresholdFactor * kDrive;
    stages.Process(*this, frames, frameCount, sidechain);
}
