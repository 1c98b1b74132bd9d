#include "dsp/Oversampler.h"

#include <cmath>

#include "dsp/filters/PackedSection.h"

namespace
{
// The base rate's Nyquist frequency at the oversampled rate.
constexpr double kFallbackCutoffPerSample = 0.5 / Oversampler::kFactor;

#ifdef DSP_HAVE_PACKED_SECTION
bool IsPositiveZero(double v)
{
    // +0.0 only: the stuffed zeros are +0.0, and -0.0 would change signs of
    // zero products below.
    return v == 0.0 && !std::signbit(v);
}
#endif
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
#ifdef DSP_HAVE_PACKED_SECTION
    if (UpsampleFused(in, frameCount, out, filter)) return;
#endif
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

bool Oversampler::CanFold(const Dsp::BesselLowPass<6, 2>& filter)
{
#ifdef DSP_HAVE_PACKED_SECTION
    constexpr int kStages = Dsp::BesselLowPass<6, 2>::kStages;
    static_assert(kStages == 3, "the folded up-sampler is written for three sections");
    const Dsp::SectionState& l0 = filter.GetState(0, 0);
    const Dsp::SectionState& r0 = filter.GetState(1, 0);
    return filter.GetStageCount() == kStages && IsPositiveZero(l0.x1) && IsPositiveZero(l0.x2) &&
           IsPositiveZero(r0.x1) && IsPositiveZero(r0.x2);
#else
    (void)filter;
    return false;
#endif
}

bool Oversampler::CanRunFused(bool sidechain) const
{
    constexpr int kDownStages = Dsp::BesselLowPass<4, 2>::kStages;
    static_assert(kDownStages == 2, "the packed down-sampler is written for two sections");
    return CanFold(mainUp) && (!sidechain || CanFold(sidechainUp)) &&
           down.GetStageCount() == kDownStages;
}

#ifdef DSP_HAVE_PACKED_SECTION
void Oversampler::FoldedUpsampler::Load(Dsp::BesselLowPass<6, 2>& filter)
{
    s0.Load(filter.GetStage(0), filter.State(0, 0), filter.State(1, 0));
    s1.Load(filter.GetStage(1), filter.State(0, 1), filter.State(1, 1));
    s2.Load(filter.GetStage(2), filter.State(0, 2), filter.State(1, 2));
    const __m128d zero = _mm_setzero_pd();
    z0 = _mm_mul_pd(s0.b0, zero);
    z1 = _mm_mul_pd(s0.b1, zero);
    z2 = _mm_mul_pd(s0.b2, zero);
    z10 = _mm_add_pd(z1, z0);
}

void Oversampler::FoldedUpsampler::Store(Dsp::BesselLowPass<6, 2>& filter)
{
    // After phase 2 the two previous inputs are the stuffed zeros again.
    s0.x1 = _mm_setzero_pd();
    s0.x2 = _mm_setzero_pd();
    s0.Store(filter.State(0, 0), filter.State(1, 0));
    s1.Store(filter.State(0, 1), filter.State(1, 1));
    s2.Store(filter.State(0, 2), filter.State(1, 2));
}
#endif

bool Oversampler::UpsampleFused(const double* in, int frameCount, double* out,
                                Dsp::BesselLowPass<6, 2>& filter)
{
#ifdef DSP_HAVE_PACKED_SECTION
    // Whoever ran the filter on other data leaves something other than the
    // stuffed zeros in its first section: that case, and a design with
    // fewer sections, take the stuff-then-filter path.
    if (!CanFold(filter)) return false;
    FoldedUpsampler up;
    up.Load(filter);
    for (int i = 0; i < frameCount; ++i)
    {
        __m128d f[kFactor];
        up.Run(in + 2 * i, f);
        double* o = out + 2 * kFactor * i;
        _mm_storeu_pd(o, f[0]);
        _mm_storeu_pd(o + 2, f[1]);
        _mm_storeu_pd(o + 4, f[2]);
    }
    up.Store(filter);
    return true;
#else
    (void)in;
    (void)frameCount;
    (void)out;
    (void)filter;
    return false;
#endif
}

void Oversampler::Downsample(double* frames, int frameCount)
{
#ifdef DSP_HAVE_PACKED_SECTION
    // Both sections frame by frame on packed doubles, storing only the
    // frames that are kept: the recursion needs every output, the caller
    // only every third.
    constexpr int kStages = Dsp::BesselLowPass<4, 2>::kStages;
    static_assert(kStages == 2, "the packed path is written for two sections");
    if (down.GetStageCount() == kStages)
    {
        Dsp::PackedSection s0, s1;
        s0.Load(down.GetStage(0), down.State(0, 0), down.State(1, 0));
        s1.Load(down.GetStage(1), down.State(0, 1), down.State(1, 1));
        const double* in = buffers->main;
        for (int j = 0; j < frameCount; ++j, in += 2 * kFactor)
        {
            _mm_storeu_pd(frames + 2 * j, s1.Run(s0.Run(_mm_loadu_pd(in))));
            s1.Run(s0.Run(_mm_loadu_pd(in + 2)));
            s1.Run(s0.Run(_mm_loadu_pd(in + 4)));
        }
        s0.Store(down.State(0, 0), down.State(1, 0));
        s1.Store(down.State(0, 1), down.State(1, 1));
        return;
    }
#endif
    down.Process(kFactor * frameCount, buffers->main);
    for (int j = 0; j < frameCount; ++j)
    {
        frames[2 * j] = buffers->main[2 * kFactor * j];
        frames[2 * j + 1] = buffers->main[2 * kFactor * j + 1];
    }
}
