#include "plugin/BraskoKorvala.h"

#include "plugin/BraskoKorvalaPanel.h"

#include <algorithm>
#include <climits>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(BraskoKorvala::kUniqueId == 0x426B4B76, "'BkKv' as hosts read it");

BraskoKorvala::BraskoKorvala(audioMasterCallback hostCallback)
    : IEffectVST(hostCallback, kNumParams, kChannelConfigs, kNumPresets, kEffectName, kProductName,
                 kMakerName, kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks,
                 kIsInstrument),
      mFET(), mVCA(), mOpto()
{
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
// Keeps the chain's recursions out of denormal numbers (the models never see
// exact zeros).
constexpr double kDenormalOffset = 1e-24;
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

// Interleaves one chunk of two host channels; a missing buffer reads silence.
void Interleave(const double* left, const double* right, double* frames, int n)
{
    for (int i = 0; i < n; ++i)
    {
        frames[2 * i] = left ? left[i] : 0.0;
        frames[2 * i + 1] = right ? right[i] : 0.0;
    }
}

// The chain's passes before and after the model, each one loop over the
// chunk. Both channels of a frame travel together (lane 0 left); every value
// sees the same operations in the same order as separate passes would give.
// Peaks are signed maxima: max(x, peak) keeps the peak for a NaN x, as
// std::max(peak, x) does, and keeps the earlier of two equal zeros.
struct Peaks
{
    double left = 0.0, right = 0.0;
};

#if defined(__SSE2__)
// Interleaving, input gain, the input peak, then the 1e-24 offset. Two
// frames per step, so the host channels are read two values at a time; the
// peak still takes the frames one after the other.
void ScaleInput(const double* left, const double* right, double* frames, int n, double gain,
                Peaks& peak)
{
    const __m128d g = _mm_set1_pd(gain);
    const __m128d offset = _mm_set1_pd(kDenormalOffset);
    __m128d p = _mm_set_pd(peak.right, peak.left);
    int i = 0;
    for (; i + 1 < n; i += 2)
    {
        const __m128d l = _mm_loadu_pd(left + i);
        const __m128d r = _mm_loadu_pd(right + i);
        const __m128d v0 = _mm_mul_pd(_mm_unpacklo_pd(l, r), g);
        const __m128d v1 = _mm_mul_pd(_mm_unpackhi_pd(l, r), g);
        p = _mm_max_pd(v0, p);
        p = _mm_max_pd(v1, p);
        _mm_storeu_pd(frames + 2 * i, _mm_add_pd(v0, offset));
        _mm_storeu_pd(frames + 2 * i + 2, _mm_add_pd(v1, offset));
    }
    for (; i < n; ++i)
    {
        const __m128d v = _mm_mul_pd(_mm_set_pd(right[i], left[i]), g);
        p = _mm_max_pd(v, p);
        _mm_storeu_pd(frames + 2 * i, _mm_add_pd(v, offset));
    }
    _mm_storel_pd(&peak.left, p);
    _mm_storeh_pd(&peak.right, p);
}

// Output gain, the finiteness check, the output peak and de-interleaving in
// one pass. A chunk holding a NaN or an infinity after the gain is silenced:
// its outputs become zeros and its peak the maximum of the earlier peak and
// zero, exactly what scanning a zeroed chunk gives.
void ScaleOutput(double* frames, int n, double gain, Peaks& peak, double* left, double* right)
{
    const __m128d g = _mm_set1_pd(gain);
    const __m128d before = _mm_set_pd(peak.right, peak.left);
    __m128d p = before;
    // x - x is 0 for every finite x and NaN for NaN and the infinities.
    __m128d bad = _mm_setzero_pd();
    int i = 0;
    for (; i + 1 < n; i += 2)
    {
        const __m128d v0 = _mm_mul_pd(_mm_loadu_pd(frames + 2 * i), g);
        const __m128d v1 = _mm_mul_pd(_mm_loadu_pd(frames + 2 * i + 2), g);
        const __m128d d0 = _mm_sub_pd(v0, v0);
        const __m128d d1 = _mm_sub_pd(v1, v1);
        bad = _mm_or_pd(bad, _mm_cmpunord_pd(d0, d1));
        p = _mm_max_pd(v0, p);
        p = _mm_max_pd(v1, p);
        _mm_storeu_pd(left + i, _mm_unpacklo_pd(v0, v1));
        _mm_storeu_pd(right + i, _mm_unpackhi_pd(v0, v1));
    }
    for (; i < n; ++i)
    {
        const __m128d v = _mm_mul_pd(_mm_loadu_pd(frames + 2 * i), g);
        const __m128d d = _mm_sub_pd(v, v);
        bad = _mm_or_pd(bad, _mm_cmpunord_pd(d, d));
        p = _mm_max_pd(v, p);
        _mm_storel_pd(left + i, v);
        _mm_storeh_pd(right + i, v);
    }
    if (n > 0 && _mm_movemask_pd(bad) != 0)
    {
        std::fill(left, left + n, 0.0);
        std::fill(right, right + n, 0.0);
        p = _mm_max_pd(_mm_setzero_pd(), before);
    }
    _mm_storel_pd(&peak.left, p);
    _mm_storeh_pd(&peak.right, p);
}
#else
void ScaleInput(const double* left, const double* right, double* frames, int n, double gain,
                Peaks& peak)
{
    for (int i = 0; i < n; ++i)
    {
        const double l = left[i] * gain;
        const double r = right[i] * gain;
        peak.left = std::max(peak.left, l);
        peak.right = std::max(peak.right, r);
        frames[2 * i] = l + kDenormalOffset;
        frames[2 * i + 1] = r + kDenormalOffset;
    }
}

void ScaleOutput(double* frames, int n, double gain, Peaks& peak, double* left, double* right)
{
    const Peaks before = peak;
    bool finite = true;
    for (int i = 0; i < n; ++i)
    {
        const double l = frames[2 * i] * gain;
        const double r = frames[2 * i + 1] * gain;
        finite = finite && std::isfinite(l) && std::isfinite(r);
        peak.left = std::max(peak.left, l);
        peak.right = std::max(peak.right, r);
        left[i] = l;
        right[i] = r;
    }
    if (n > 0 && !finite)
    {
        std::fill(left, left + n, 0.0);
        std::fill(right, right + n, 0.0);
        peak.left = std::max(before.left, 0.0);
        peak.right = std::max(before.right, 0.0);
    }
}
#endif
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
        mFET.SetAnalogEmulation(on);
        mVCA.SetAnalogEmulation(on);
        mOpto.SetAnalogEmulation(on);
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
        mVCA.SetExternalSidechain(on);
        mOpto.SetExternalSidechain(on);
        mFET.SetExternalSidechain(on);
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
    // Audio thread, lock held. Nothing here allocates: the chunk buffers are
    // members and the models hold their own.
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
    const double* inL = nIn > 0 ? inputs[0] : nullptr;
    const double* inR = nIn > 1 ? inputs[1] : nullptr;
    const double* scL = nIn > 2 ? inputs[2] : nullptr;
    const double* scR = nIn > 3 ? inputs[3] : nullptr;
    double* outL = nOut > 0 ? outputs[0] : nullptr;
    double* outR = nOut > 1 ? outputs[1] : nullptr;

    // Peaks are signed maxima over the whole host block, not magnitudes.
    Peaks peakIn, peakOut;
    float gainReduction = 1.0f;
    // A model reads the sidechain frames only while its external sidechain
    // is on; otherwise they are not filled in.
    const bool sidechainRead = model == kModelFET    ? mFET.externalSidechain
                               : model == kModelOpto ? mOpto.externalSidechain
                                                     : mVCA.externalSidechain;

    // At least one pass, so that an empty block still asks the model (which
    // then reports no reduction).
    int done = 0;
    do
    {
        const int n = std::min(kMaxChunkFrames, std::max(nFrames - done, 0));
        const int off = done;
        if (sidechainRead)
            Interleave(scL ? scL + off : nullptr, scR ? scR + off : nullptr, mSide, n);
        ScaleInput(inL ? inL + off : kSilence, inR ? inR + off : kSilence, mMain, n, inputGain,
                   peakIn);

        double reduction = 1.0;
        switch (model)
        {
        case kModelFET:
            mFET.Process(mMain, n, mSide);
            reduction = mFET.GainReduction();
            break;
        case kModelOpto:
            mOpto.Process(mMain, n, mSide);
            reduction = mOpto.GainReduction();
            break;
        default:
            mVCA.Process(mMain, n, mSide);
            reduction = mVCA.GainReduction();
            break;
        }
        gainReduction = std::min(gainReduction, static_cast<float>(reduction));

        // A missing output buffer takes its channel into scratch space: the
        // side frames, which the model has finished reading.
        ScaleOutput(mMain, n, outputGain, peakOut, outL ? outL + off : mSide,
                    outR ? outR + off : mSide + kMaxChunkFrames);
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
