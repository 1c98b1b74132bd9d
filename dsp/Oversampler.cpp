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

bool Oversampler::UpsampleFused(const double* in, int frameCount, double* out,
                                Dsp::BesselLowPass<6, 2>& filter)
{
#ifdef DSP_HAVE_PACKED_SECTION
    // Section 0 of the stuffed stream sees (3x, 0, 0) per base frame, so its
    // previous inputs are the stuffed zeros at every block start. Whoever ran
    // the filter on other data leaves something else there: that case, and a
    // design with fewer sections, take the stuff-then-filter path.
    constexpr int kStages = Dsp::BesselLowPass<6, 2>::kStages;
    static_assert(kStages == 3, "the fused path is written for three sections");
    Dsp::SectionState& l0 = filter.State(0, 0);
    Dsp::SectionState& r0 = filter.State(1, 0);
    if (filter.GetStageCount() != kStages || !IsPositiveZero(l0.x1) || !IsPositiveZero(l0.x2) ||
        !IsPositiveZero(r0.x1) || !IsPositiveZero(r0.x2))
        return false;

    Dsp::PackedSection s0, s1, s2;
    s0.Load(filter.GetStage(0), l0, r0);
    s1.Load(filter.GetStage(1), filter.State(0, 1), filter.State(1, 1));
    s2.Load(filter.GetStage(2), filter.State(0, 2), filter.State(1, 2));

    // Section 0 keeps every operation of the stuffed recursion; only the
    // products with the known +0.0 inputs are taken from constants computed
    // once (b * +0.0 is a zero with the sign of b), so sums and signed zeros
    // come out exactly as if the zeros had been stuffed and multiplied.
    const __m128d zero = _mm_setzero_pd();
    const __m128d z0 = _mm_mul_pd(s0.b0, zero);
    const __m128d z1 = _mm_mul_pd(s0.b1, zero);
    const __m128d z2 = _mm_mul_pd(s0.b2, zero);
    const __m128d z10 = _mm_add_pd(z1, z0);
    const __m128d gain = _mm_set1_pd(static_cast<double>(kFactor));
    __m128d y1 = s0.y1;
    __m128d y2 = s0.y2;
    for (int i = 0; i < frameCount; ++i)
    {
        const __m128d u = _mm_mul_pd(gain, _mm_loadu_pd(in + 2 * i));
        // Phase 0: input u, previous inputs 0 and 0.
        __m128d p0 = _mm_add_pd(z1, _mm_mul_pd(s0.b0, u));
        p0 = _mm_add_pd(p0, z2);
        p0 = _mm_add_pd(p0, _mm_mul_pd(s0.a1, y1));
        p0 = _mm_add_pd(p0, _mm_mul_pd(s0.a2, y2));
        // Phase 1: input 0, previous inputs u and 0.
        __m128d p1 = _mm_add_pd(_mm_mul_pd(s0.b1, u), z0);
        p1 = _mm_add_pd(p1, z2);
        p1 = _mm_add_pd(p1, _mm_mul_pd(s0.a1, p0));
        p1 = _mm_add_pd(p1, _mm_mul_pd(s0.a2, y1));
        // Phase 2: input 0, previous inputs 0 and u.
        __m128d p2 = _mm_add_pd(z10, _mm_mul_pd(s0.b2, u));
        p2 = _mm_add_pd(p2, _mm_mul_pd(s0.a1, p1));
        p2 = _mm_add_pd(p2, _mm_mul_pd(s0.a2, p0));
        y2 = p1;
        y1 = p2;

        double* o = out + 2 * kFactor * i;
        _mm_storeu_pd(o, s2.Run(s1.Run(p0)));
        _mm_storeu_pd(o + 2, s2.Run(s1.Run(p1)));
        _mm_storeu_pd(o + 4, s2.Run(s1.Run(p2)));
    }
    // After phase 2 the two previous inputs are the stuffed zeros again.
    s0.y1 = y1;
    s0.y2 = y2;
    s0.x1 = zero;
    s0.x2 = zero;
    s0.Store(l0, r0);
    s1.Store(filter.State(0, 1), filter.State(1, 1));
    s2.Store(filter.State(0, 2), filter.State(1, 2));
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
        const double* in = mainBuffer;
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
    down.Process(kFactor * frameCount, mainBuffer);
    for (int j = 0; j < frameCount; ++j)
    {
        frames[2 * j] = mainBuffer[2 * kFactor * j];
        frames[2 * j + 1] = mainBuffer[2 * kFactor * j + 1];
    }
}
