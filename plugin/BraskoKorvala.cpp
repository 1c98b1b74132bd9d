#include "plugin/BraskoKorvala.h"

#include "dsp/ChainPasses.h"
#include "gui/IEditorCanvas.h"
#include "plugin/BraskoKorvalaPanel.h"

#include <algorithm>
#include <climits>
#include <cmath>

static_assert(BraskoKorvala::kUniqueId == 0x426B4B76, "'BkKv' as hosts read it");

BraskoKorvala::BraskoKorvala(audioMasterCallback hostCallback)
    : IEffectVST(hostCallback, kNumParams, kChannelConfigs, kNumPresets, kEffectName, kProductName,
                 kMakerName, kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks,
                 kIsInstrument),
      mOversampled(new Oversampler::Buffers), mFET(), mVCA(), mOpto()
{
    // Default-initialised above, not value-initialised: the buffers are
    // scratch and stay untouched until a block reaches them.
    mFET.stages.oversampler.UseBuffers(*mOversampled);
    mVCA.stages.oversampler.UseBuffers(*mOversampled);
    mOpto.stages.oversampler.UseBuffers(*mOversampled);
    // The input pass adds the VCA's and the opto model's own denormal offset
    // while their analog stage is off, instead of a pass of their own.
    mFET.stages.SetOwnOffsetInChain(true);
    mVCA.stages.SetOwnOffsetInChain(true);
    mOpto.stages.SetOwnOffsetInChain(true);

    // The declaration order below is fixed (gains, then the dynamics, then the
    // switches); each InitDouble is followed by the exponent of its knob law.
    GetParam(kInputGain)->InitDouble("Input Gain", 0.0, -60.0, 30.0, 0.1, "dB");
    GetParam(kInputGain)->SetShape(1.0);
    GetParam(kOutputGain)->InitDouble("Output Gain", 0.0, -60.0, 30.0, 0.1, "dB");
    GetParam(kOutputGain)->SetShape(1.0);
    GetParam(kThreshold)->InitDouble("Threshold", 0.0, -60.0, 0.0, 0.1, "dB");
    GetParam(kThreshold)->SetShape(2.0);
    GetParam(kRatio)->InitDouble("Ratio", 1.0, 1.0, 20.0, 1.0, " : 1");
    GetParam(kRatio)->SetShape(1.0);
    // Attack and release start in the FET model's ranges; changing "Model
    // Type" re-declares them for the VCA model.
    GetParam(kAttack)->InitDouble("Attack", 0.02, 0.02, 0.8, 0.01, "ms");
    GetParam(kAttack)->SetShape(2.0);
    GetParam(kRelease)->InitDouble("Release", 50.0, 50.0, 1200.0, 0.1, "ms");
    GetParam(kRelease)->SetShape(2.0);

    GetParam(kModelType)->InitEnum("Model Type", kModelVCA, kNumModels);
    GetParam(kModelType)->SetDisplayText(kModelVCA, "VCA");
    GetParam(kModelType)->SetDisplayText(kModelFET, "FET");
    GetParam(kModelType)->SetDisplayText(kModelOpto, "OPTO");

    GetParam(kOversampling)->InitBool("Oversampling", true);
    GetParam(kAnalogEmulation)->InitBool("Analog Emulation", true);
    GetParam(kSidechainFilter)->InitDouble("Sidechain Filter", 20.0, 20.0, 500.0, 10.0, "Hz");
    GetParam(kExternalSidechain)->InitBool("External Sidechain", false);

    // The single preset holds the defaults just declared.
    MakeDefaultPresets("-", 1);

    // The panel is built once, whether or not a host ever opens it; the base
    // owns the canvas from here on and pushes every parameter into it.
    AttachGraphics(BraskoKorvalaPanel::Build(this, mMeterControls, mKnobControls));
}

BraskoKorvala::~BraskoKorvala() = default;

namespace
{
// The largest base rate whose threefold still fits the models' int rates.
constexpr double kMaxSampleRate = INT_MAX / 3;

// The ranges of "Attack" and "Release", in milliseconds, per model.
struct TimeRanges
{
    double attackDefault, attackMin, attackMax, attackStep;
    double releaseDefault, releaseMin, releaseMax, releaseStep;
};
constexpr TimeRanges kVcaTimes = {1.0, 1.0, 30.0, 0.1, 100.0, 100.0, 4000.0, 0.1};
constexpr TimeRanges kFetTimes = {0.02, 0.02, 0.8, 0.01, 50.0, 50.0, 1200.0, 0.1};

// The model the integer part of a "Model Type" value selects (the value is
// clamped into 0..2 first, as reading state does).
int ModelOf(double value)
{
    if (!(value >= BraskoKorvala::kModelVCA)) return BraskoKorvala::kModelVCA;
    if (value >= BraskoKorvala::kModelOpto) return BraskoKorvala::kModelOpto;
    return static_cast<int>(value);
}

// Re-declares p with a new range, keeping its knob position. When the range
// does not change, the value is kept as it is: mapping it to the knob and
// back could move it by a rounding step.
void Redeclare(IParameter* p, const char* name, double def, double lo, double hi, double step)
{
    const double value = p->Value();
    const double knob = p->GetNormalized();
    const bool sameRange = p->GetMin() == lo && p->GetMax() == std::max(hi, lo + step);
    p->InitDouble(name, def, lo, hi, step, "ms");
    if (sameRange)
        p->SetValueClamped(value);
    else
        p->SetNormalized(knob);
}

// What a missing input buffer reads: one chunk of silence.
const double kSilence[BraskoKorvala::kMaxChunkFrames] = {};
const float kSilenceSingle[BraskoKorvala::kMaxChunkFrames] = {};
const double* Silence(const double*)
{
    return kSilence;
}
const float* Silence(const float*)
{
    return kSilenceSingle;
}
} // namespace

void BraskoKorvala::OnReset()
{
    ScopedLock lock(this);
    // A rate of 0, a negative or non-finite rate, or one whose threefold
    // would overflow the models' int rates cannot drive the models: it is
    // ignored and the previous rate stays in force.
    const double rate = GetSampleRate();
    if (rate >= 1.0 && rate <= kMaxSampleRate) mSampleRate = static_cast<int>(rate);

    mFET.SetSampleRate(static_cast<double>(mSampleRate));
    mVCA.SetSampleRate(mSampleRate);
    mOpto.SetSampleRate(static_cast<double>(mSampleRate));

    const bool oversampling = GetParam(kOversampling)->Value() >= 0.5;
    mVCA.SetOversampling(oversampling);
    mFET.SetOversampling(oversampling);
    mOpto.SetOversampling(oversampling);
}

void BraskoKorvala::DeclareTimeRanges(int model)
{
    if (model != kModelVCA && model != kModelFET) return;
    const TimeRanges& t = model == kModelVCA ? kVcaTimes : kFetTimes;
    Redeclare(GetParam(kAttack), "Attack", t.attackDefault, t.attackMin, t.attackMax, t.attackStep);
    Redeclare(GetParam(kRelease), "Release", t.releaseDefault, t.releaseMin, t.releaseMax,
              t.releaseStep);
}

void BraskoKorvala::GreyOutKnobs(bool grey)
{
    if (IEditorView* canvas = GetGUI())
        for (int knob : mKnobControls)
            canvas->GrayOutControl(knob, grey);
}

void BraskoKorvala::OnParameterChange(int idx)
{
    ScopedLock lock(this);
    IParameter* p = GetParam(idx);
    if (!p) return;

    switch (idx)
    {
    case kModelType:
    {
        OnReset();
        // The models already hold attack and release derived from these
        // knob positions; only the displayed plain values follow the range.
        const int model = ModelOf(p->Value());
        if (model == kModelOpto)
        {
            // The opto model has no attack or release: the ranges in force
            // stay, and so do the values.
            GreyOutKnobs(true);
        }
        else
        {
            DeclareTimeRanges(model);
            GreyOutKnobs(false);
        }
        break;
    }
    case kThreshold:
    {
        const double n = p->GetNormalized();
        const float oneMinusN = static_cast<float>(1 - n);
        const float m = 1 - oneMinusN;
        // FET and opto: detector drive grows as the knob goes down.
        const double factor = std::pow(10.0, -3.0 * static_cast<double>(m));
        mFET.SetThreshold(factor);
        mVCA.SetThreshold(static_cast<double>(std::pow(10.0f, -3.0f * oneMinusN)));
        mOpto.SetThreshold(factor);
        break;
    }
    case kRatio:
    {
        const float r = static_cast<float>(p->GetNormalized());
        mFET.SetRatio(static_cast<double>(r));
        mVCA.SetRatio(static_cast<double>(1.0f + 19.0f * r));
        break;
    }
    case kAttack:
    {
        const float n = static_cast<float>(p->GetNormalized());
        mFET.SetAttack(n);
        mVCA.SetAttack(n);
        break;
    }
    case kRelease:
    {
        const float n = static_cast<float>(p->GetNormalized());
        mFET.SetRelease(n);
        mVCA.SetRelease(n);
        break;
    }
    case kOversampling:
    {
        const bool on = p->Value() >= 0.5;
        mFET.SetOversampling(on);
        mVCA.SetOversampling(on);
        mOpto.SetOversampling(on);
        break;
    }
    case kAnalogEmulation:
    {
        const bool on = p->Value() >= 0.5;
        mFET.stages.SetAnalogEmulation(on);
        mVCA.stages.SetAnalogEmulation(on);
        mOpto.stages.SetAnalogEmulation(on);
        break;
    }
    case kSidechainFilter:
    {
        const float n = static_cast<float>(p->GetNormalized());
        mVCA.SetSidechainFilter(n);
        mFET.SetSidechainFilter(n);
        mOpto.SetSidechainFilter(n);
        break;
    }
    case kExternalSidechain:
    {
        const bool on = p->Value() != 0;
        mVCA.stages.SetExternalSidechain(on);
        mOpto.stages.SetExternalSidechain(on);
        mFET.stages.SetExternalSidechain(on);
        break;
    }
    default:
        // Input and output gain are read in every block.
        break;
    }
}

int BraskoKorvala::UnserializeParams(const IByteChunk& chunk, int pos)
{
    ScopedLock lock(this);
    // The chunk holds one double per parameter in index order. Reading it
    // clamps every value into its parameter's current range before the
    // "Model Type" change re-ranges "Attack" and "Release", which would lose
    // the times of a model other than the current one. So the ranges the
    // saved values belong to are put in force first. Under the opto model the
    // ranges are those of the model selected before it; the saved attack
    // tells which (the two attack ranges do not overlap).
    double savedModel = 0.0;
    double savedAttack = 0.0;
    if (pos >= 0 && chunk.GetDouble(&savedModel, pos + 8 * kModelType) >= 0 &&
        chunk.GetDouble(&savedAttack, pos + 8 * kAttack) >= 0)
    {
        int ranges = ModelOf(GetParam(kModelType)->Clamp(savedModel));
        if (ranges == kModelOpto)
        {
            if (savedAttack >= kVcaTimes.attackMin && savedAttack <= kVcaTimes.attackMax)
                ranges = kModelVCA;
            else if (savedAttack >= kFetTimes.attackMin && savedAttack <= kFetTimes.attackMax)
                ranges = kModelFET;
        }
        DeclareTimeRanges(ranges);
    }
    return IEffectVST::UnserializeParams(chunk, pos);
}

void BraskoKorvala::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
    ProcessChain(inputs, outputs, nFrames);
}

bool BraskoKorvala::ProcessBlockSingleDirect(float** inputs, float** outputs, int nFrames)
{
    ProcessChain(inputs, outputs, nFrames);
    return true;
}

template <class Sample>
void BraskoKorvala::ProcessChain(Sample** inputs, Sample** outputs, int nFrames)
{
    // Audio thread, lock held. Nothing here allocates: the chunk buffers are
    // members and the models share theirs.
    if (NInChannels() > 1)
    {
        mFET.SetStereoFlag(true);
        mVCA.SetStereoFlag(true);
        mOpto.SetStereoFlag(true);
    }

    const double inputGain = GetParam(kInputGain)->DBToAmp();
    const double outputGain = GetParam(kOutputGain)->DBToAmp();
    const int model = ModelOf(GetParam(kModelType)->Value());
    const int nIn = NInChannels();
    const int nOut = NOutChannels();
    const Sample* inL = nIn > 0 ? inputs[0] : nullptr;
    const Sample* inR = nIn > 1 ? inputs[1] : nullptr;
    const Sample* scL = nIn > 2 ? inputs[2] : nullptr;
    const Sample* scR = nIn > 3 ? inputs[3] : nullptr;
    Sample* outL = nOut > 0 ? outputs[0] : nullptr;
    Sample* outR = nOut > 1 ? outputs[1] : nullptr;
    const Sample* silence = Silence(inL);

    // Peaks are signed maxima over the whole host block, not magnitudes.
    ChainPasses::Peaks peakIn, peakOut;
    float gainReduction = 1.0f;
    // A model reads the sidechain frames only while its external sidechain
    // is on; otherwise they are not filled in.
    const ModelStages& stages = model == kModelFET    ? mFET.stages
                                : model == kModelOpto ? mOpto.stages
                                                      : mVCA.stages;
    const bool sidechainRead = stages.ExternalSidechain();
    const bool ownOffset = stages.OwnOffsetInChain();

    // At least one pass, so that an empty block still asks the model (which
    // then reports no reduction).
    int done = 0;
    do
    {
        const int n = std::min(kMaxChunkFrames, std::max(nFrames - done, 0));
        const int off = done;
        if (sidechainRead)
            ChainPasses::Interleave(scL ? scL + off : nullptr, scR ? scR + off : nullptr, mSide, n);
        ChainPasses::ScaleInput(inL ? inL + off : silence, inR ? inR + off : silence, mMain, n,
                                inputGain, peakIn, ownOffset);

        double reduction = 1.0;
        switch (model)
        {
        case kModelFET:
            mFET.Process(mMain, n, mSide);
            reduction = mFET.stages.GainReduction();
            break;
        case kModelOpto:
            mOpto.Process(mMain, n, mSide);
            reduction = mOpto.stages.GainReduction();
            break;
        default:
            mVCA.Process(mMain, n, mSide);
            reduction = mVCA.stages.GainReduction();
            break;
        }
        gainReduction = std::min(gainReduction, static_cast<float>(reduction));

        // A missing output buffer takes its channel into scratch space (for
        // doubles the side frames, which the model has finished reading).
        Sample* discard = Discard(outL);
        ChainPasses::ScaleOutput(mMain, n, outputGain, peakOut, outL ? outL + off : discard,
                                 outR ? outR + off : discard + kMaxChunkFrames);
        done += n;
    } while (done < nFrames);

    // The editor reads these on its own timer without the lock; the canvas
    // stores each value only when it differs from the control's current one.
    if (IEditorView* canvas = GetGUI())
    {
        canvas->SetAllControlsDirty();
        canvas->SetControlFromPlugin(mMeterControls[kMeterInLeft], peakIn.left);
        canvas->SetControlFromPlugin(mMeterControls[kMeterInRight], peakIn.right);
        canvas->SetControlFromPlugin(mMeterControls[kMeterOutLeft], peakOut.left);
        canvas->SetControlFromPlugin(mMeterControls[kMeterOutRight], peakOut.right);
        canvas->SetControlFromPlugin(mMeterControls[kMeterGainReduction], gainReduction);
    }
}
