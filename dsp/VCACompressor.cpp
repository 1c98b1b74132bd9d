#include "dsp/VCACompressor.h"

#include "dsp/OnePole.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#define KORVALA_VCA_PACKED_GAINS
// Not on 64-bit Windows: mingw-w64's GCC cannot keep the stack 32-byte
// aligned there and may spill 256-bit registers with aligned stores.
#if !defined(_WIN32)
#include <immintrin.h>
#define KORVALA_VCA_WIDE_GAINS
#endif
#endif

#include <atomic>

namespace
{
// RMS window of the detector, seconds.
constexpr double kRmsSeconds = 0.0825;
// Peak-to-RMS factor of a sine (approximately sqrt 2).
constexpr double kRmsToPeak = 1.41;
} // namespace

VCACompressor::VCACompressor() : stages(analogue_block::kVCA, ModelStages::kOwnDenormalOffset)
{
    // Valid for the nominal rate without oversampling until the first reset.
    const int rate = stages.SampleRate();
    attackCoeff = OnePole::CoefficientMs(attackMs, rate);
    releaseCoeff = OnePole::CoefficientMs(releaseMs, rate);
    rmsCoeff = std::exp(-1.0 / (rate * kRmsSeconds));
    // The processor's features are read here, on the thread that makes the
    // instance, so the gains pass only ever reads the answer.
    HasWideGains();
}

void VCACompressor::SetSampleRate(int rate)
{
    stages.SetSampleRate(rate);
    rmsCoeff = std::exp(-1.0 / (rate * kRmsSeconds));
}

void VCACompressor::SetOversampling(bool on)
{
    stages.SetOversampling(on);
    const int k = on ? Oversampler::kFactor : 1;
    const int rate = stages.SampleRate();
    const int r = rate * k;
    attackCoeff = OnePole::CoefficientMs(attackMs, r);
    releaseCoeff = OnePole::CoefficientMs(releaseMs, r);
    rmsCoeff = std::exp(-1.0 / (rate * kRmsSeconds * k));
    // Unlike the other designs of this filter, this one uses the factor in
    // force: with oversampling off the corner stays at the stored frequency
    // until the next SetSampleRate or SetSidechainFilter.
    stages.sidechainFilter.SetSampleRate(k * rate);
}

void VCACompressor::SetAttack(float n)
{
    attackMs = n * 29.0f + 1.0f;
    attackCoeff = OnePole::CoefficientMs(attackMs, stages.ProcessingRate());
}

void VCACompressor::SetRelease(float n)
{
    releaseMs = n * 3900.0f + 100.0f;
    releaseCoeff = OnePole::CoefficientMs(releaseMs, stages.ProcessingRate());
}

void VCACompressor::Process(double* frames, int frameCount, const double* sidechain)
{
    stages.Process(*this, frames, frameCount, sidechain);
}

bool VCACompressor::IsStateFinite() const
{
    return std::isfinite(gain) && std::isfinite(envelope) && std::isfinite(meanSquare) &&
           stages.IsStateFinite();
}

void VCACompressor::ResetState()
{
    gain = 1.0;
    envelope = 0.0;
    meanSquare = 0.0;
    stages.ResetState();
}

// The gain computed from frame i is applied to frame i + 1: the detector
// reads the frame as it arrives, so the gain it yields can only reach the
// next one.
//
// Only the mean square and the envelope carry from frame to frame, and the
// gain never feeds back into them (the detector reads the input before the
// gain). So each piece of up to kGainPiece frames is worked in two passes:
// the serial recursion, which stores the envelopes, and the gains (threshold,
// two divisions, the minimum, applying them), which depend on nothing carried
// but the previous frame's gain and run two frames at a time. Every value is
// computed by the same operations as in a single loop.
template <bool External, bool Filtered>
void VCACompressor::GainComputer(double* x, int frameCount, const double* y)
{
    double envelopes[kGainPiece];
    for (int done = 0; done < frameCount; done += kGainPiece)
    {
        const int n = std::min(kGainPiece, frameCount - done);
        TrackEnvelope<External, Filtered>(x + 2 * done, n, External ? y + 2 * done : nullptr,
                                          envelopes);
        ApplyGains(x + 2 * done, n, envelopes);
    }
}

template <bool External, bool Filtered>
void VCACompressor::TrackEnvelope(const double* x, int frameCount, const double* y,
                                  double* envelopes)
{
    const double att = attackCoeff;
    const double rel = releaseCoeff;
    // 1 - a for both coefficients, taken once per pass so that it is not on
    // the envelope's frame-to-frame chain.
    const double oneMinusAtt = 1.0 - att;
    const double oneMinusRel = 1.0 - rel;
    const double q = rmsCoeff;
    const double oneMinusQ = 1.0 - q;
    double env = envelope;
    double ms = meanSquare;

    for (int i = 0; i < frameCount; ++i)
    {
        double d = External ? y[2 * i] + y[2 * i + 1] : x[2 * i] + x[2 * i + 1];
        d = d * 0.5;
        if (Filtered) d = stages.sidechainFilter.ProcessSample(d);

        ms = d * d * oneMinusQ + q * ms;
        const double level = std::sqrt(ms) * kRmsToPeak;
        // A branch, not a select: the RMS level is smooth, so the choice
        // flips rarely and the predicted branch takes the comparison off the
        // chain, which a branch-free select (compare, and, or) cannot;
        // measured about twice as fast. A NaN level takes the release
        // coefficient either way.
        if (level > env)
            env = oneMinusAtt * level + att * env;
        else
            env = oneMinusRel * level + rel * env;
        envelopes[i] = env;
    }

    envelope = env;
    meanSquare = ms;
}

namespace
{
#ifdef KORVALA_VCA_WIDE_GAINS
bool ReadWideGains()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
// Whether the processor has AVX2: 0 not read yet, 1 yes, 2 no. Constant-
// initialised, so loading the module writes nothing here: a store made while
// the module loads is ordered before other threads' reads only by the
// loader's own lock, which the thread sanitizer cannot see (it reported the
// module's reloads as races). Read on the first instance's construction.
std::atomic<int> g_wideGainsState{0};
#endif
std::atomic<bool> g_useWideGains{true};
} // namespace

bool VCACompressor::HasWideGains()
{
#ifdef KORVALA_VCA_WIDE_GAINS
    int state = g_wideGainsState.load(std::memory_order_relaxed);
    if (state == 0)
    {
        state = ReadWideGains() ? 1 : 2;
        g_wideGainsState.store(state, std::memory_order_relaxed);
    }
    return state == 1;
#else
    return false;
#endif
}

void VCACompressor::UseWideGains(bool on)
{
    g_useWideGains.store(on, std::memory_order_relaxed);
}

#ifdef KORVALA_VCA_WIDE_GAINS
__attribute__((target("avx2"))) static int ApplyGainsAvx2(double* x, int frameCount,
                                                          const double* envelopes, double thr,
                                                          double rat, double offset,
                                                          double& previous, double& smallest)
{
    const __m256d thr4 = _mm256_set1_pd(thr);
    const __m256d rat4 = _mm256_set1_pd(rat);
    const __m256d zero = _mm256_setzero_pd();
    // Lanes: left, right, left, right of two frames.
    const __m256d offsets = _mm256_set_pd(offset, 0.0, offset, 0.0);
    __m256d least = _mm256_set1_pd(smallest);
    double prev = previous;
    int i = 0;
    for (; i + 4 <= frameCount; i += 4)
    {
        __m256d over = _mm256_sub_pd(_mm256_loadu_pd(envelopes + i), thr4);
        // over <= 0 -> 0 (a NaN stays, as in the scalar form).
        over = _mm256_andnot_pd(_mm256_cmp_pd(over, zero, _CMP_LE_OS), over);
        const __m256d g = _mm256_div_pd(_mm256_add_pd(_mm256_div_pd(over, rat4), thr4),
                                        _mm256_add_pd(thr4, over));
        least = _mm256_min_pd(g, least);
        // Frames i..i+3 take the gains (previous, g0, g1, g2).
        const __m256d shifted = _mm256_blend_pd(_mm256_permute4x64_pd(g, _MM_SHUFFLE(2, 1, 0, 0)),
                                                _mm256_set1_pd(prev), 0x1);
        const __m256d g01 = _mm256_permute4x64_pd(shifted, _MM_SHUFFLE(1, 1, 0, 0));
        const __m256d g23 = _mm256_permute4x64_pd(shifted, _MM_SHUFFLE(3, 3, 2, 2));
        _mm256_storeu_pd(x + 2 * i,
                         _mm256_mul_pd(_mm256_add_pd(g01, offsets), _mm256_loadu_pd(x + 2 * i)));
        _mm256_storeu_pd(x + 2 * i + 4, _mm256_mul_pd(_mm256_add_pd(g23, offsets),
                                                      _mm256_loadu_pd(x + 2 * i + 4)));
        prev = _mm_cvtsd_f64(
            _mm_unpackhi_pd(_mm256_extractf128_pd(g, 1), _mm256_extractf128_pd(g, 1)));
    }
    // The minimum of a set does not depend on the order it is taken in.
    double lanes[4];
    _mm256_storeu_pd(lanes, least);
    double m = lanes[0];
    for (int k = 1; k < 4; ++k)
        m = lanes[k] < m ? lanes[k] : m;
    smallest = m;
    previous = prev;
    return i;
}
#endif

int VCACompressor::ApplyGainsWide(double* x, int frameCount, const double* envelopes,
                                  double threshold, double ratio, double offset, double& previous,
                                  double& smallest)
{
#ifdef KORVALA_VCA_WIDE_GAINS
    if (g_wideGainsState.load(std::memory_order_relaxed) == 1)
        return ApplyGainsAvx2(x, frameCount, envelopes, threshold, ratio, offset, previous,
                              smallest);
#endif
    (void)x;
    (void)frameCount;
    (void)envelopes;
    (void)threshold;
    (void)ratio;
    (void)offset;
    (void)previous;
    (void)smallest;
    return 0;
}

void VCACompressor::ApplyGains(double* x, int frameCount, const double* envelopes)
{
    // The left channel's (g + 0) * l is g * l, as g is never -0: that lets
    // the packed form add the right channel's offset (or 0) to both lanes.
    const double offset = stages.RightGainOffset();
    const double thr = threshold;
    const double rat = ratio;
    double previous = gain;
    double smallest = stages.GainReduction();
    int i = 0;

    if (g_useWideGains.load(std::memory_order_relaxed))
        i = ApplyGainsWide(x, frameCount, envelopes, thr, rat, offset, previous, smallest);

#ifdef KORVALA_VCA_PACKED_GAINS
    const __m128d thr2 = _mm_set1_pd(thr);
    const __m128d rat2 = _mm_set1_pd(rat);
    const __m128d zero = _mm_setzero_pd();
    const __m128d offsets = _mm_set_pd(offset, 0.0);
    // Per lane the same "g < smallest ? g : smallest" as the scalar loop;
    // the two lanes are merged below. The minimum of a set does not depend
    // on the order it is taken in, and no gain is NaN unless the state is,
    // which the pass's finiteness check then resets.
    __m128d least = _mm_set1_pd(smallest);
    for (; i + 2 <= frameCount; i += 2)
    {
        __m128d over = _mm_sub_pd(_mm_loadu_pd(envelopes + i), thr2);
        // over <= 0 -> 0 (a NaN stays, as in the scalar form).
        over = _mm_andnot_pd(_mm_cmple_pd(over, zero), over);
        const __m128d g =
            _mm_div_pd(_mm_add_pd(_mm_div_pd(over, rat2), thr2), _mm_add_pd(thr2, over));
        least = _mm_min_pd(g, least);
        // Frame i takes the previous gain, frame i + 1 the gain of frame i.
        const __m128d g0 = _mm_set1_pd(previous);
        const __m128d g1 = _mm_unpacklo_pd(g, g);
        _mm_storeu_pd(x + 2 * i, _mm_mul_pd(_mm_add_pd(g0, offsets), _mm_loadu_pd(x + 2 * i)));
        _mm_storeu_pd(x + 2 * i + 2,
                      _mm_mul_pd(_mm_add_pd(g1, offsets), _mm_loadu_pd(x + 2 * i + 2)));
        previous = _mm_cvtsd_f64(_mm_unpackhi_pd(g, g));
    }
    const double lane0 = _mm_cvtsd_f64(least);
    const double lane1 = _mm_cvtsd_f64(_mm_unpackhi_pd(least, least));
    smallest = lane1 < lane0 ? lane1 : lane0;
#endif

    for (; i < frameCount; ++i)
    {
        x[2 * i] = previous * x[2 * i];
        x[2 * i + 1] = (previous + offset) * x[2 * i + 1];
        double over = envelopes[i] - thr;
        if (over <= 0.0) over = 0.0;
        const double g = (over / rat + thr) / (thr + over);
        if (g < smallest) smallest = g;
        previous = g;
    }

    gain = previous;
    stages.SetGainReduction(smallest);
}
