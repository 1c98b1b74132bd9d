#include "dsp/ChainPasses.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KORVALA_CHAIN_PACKED
#endif

namespace
{
template <class Sample>
void InterleaveAny(const Sample* left, const Sample* right, double* frames, int n)
{
    for (int i = 0; i < n; ++i)
    {
        frames[2 * i] = left ? static_cast<double>(left[i]) : 0.0;
        frames[2 * i + 1] = right ? static_cast<double>(right[i]) : 0.0;
    }
}
} // namespace

void ChainPasses::Interleave(const double* left, const double* right, double* frames, int n)
{
    InterleaveAny(left, right, frames, n);
}

void ChainPasses::Interleave(const float* left, const float* right, double* frames, int n)
{
    InterleaveAny(left, right, frames, n);
}

template <class Sample>
void ChainPasses::ScaleInputScalar(const Sample* left, const Sample* right, double* frames, int n,
                                   double gain, Peaks& peak, bool secondOffset)
{
    for (int i = 0; i < n; ++i)
    {
        const double l = static_cast<double>(left[i]) * gain;
        const double r = static_cast<double>(right[i]) * gain;
        peak.left = std::max(peak.left, l);
        peak.right = std::max(peak.right, r);
        frames[2 * i] = l + kDenormalOffset;
        frames[2 * i + 1] = r + kDenormalOffset;
        if (secondOffset)
        {
            frames[2 * i] = frames[2 * i] + kDenormalOffset;
            frames[2 * i + 1] = frames[2 * i + 1] + kDenormalOffset;
        }
    }
}

template <class Sample>
void ChainPasses::ScaleOutputScalar(const double* frames, int n, double gain, Peaks& peak,
                                    Sample* left, Sample* right)
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
        left[i] = static_cast<Sample>(l);
        right[i] = static_cast<Sample>(r);
    }
    if (n > 0 && !finite)
    {
        std::fill(left, left + n, Sample(0));
        std::fill(right, right + n, Sample(0));
        peak.left = std::max(before.left, 0.0);
        peak.right = std::max(before.right, 0.0);
    }
}

template void ChainPasses::ScaleInputScalar(const double*, const double*, double*, int, double,
                                            Peaks&, bool);
template void ChainPasses::ScaleInputScalar(const float*, const float*, double*, int, double,
                                            Peaks&, bool);
template void ChainPasses::ScaleOutputScalar(const double*, int, double, Peaks&, double*, double*);
template void ChainPasses::ScaleOutputScalar(const double*, int, double, Peaks&, float*, float*);

#ifdef KORVALA_CHAIN_PACKED
// _mm_max_pd(v, p) returns p when either is NaN or both are equal, which is
// std::max(p, v) lane by lane.

namespace
{
// Two host values as packed doubles, and two packed doubles back to the
// host's type (a float is widened exactly; a double is narrowed with one
// rounding, as a scalar conversion rounds).
__m128d Load2(const double* p)
{
    return _mm_loadu_pd(p);
}
__m128d Load2(const float* p)
{
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
__m128d Set2(const double* left, const double* right, int i)
{
    return _mm_set_pd(right[i], left[i]);
}
__m128d Set2(const float* left, const float* right, int i)
{
    return _mm_set_pd(static_cast<double>(right[i]), static_cast<double>(left[i]));
}
void Store2(double* p, __m128d v)
{
    _mm_storeu_pd(p, v);
}
void Store2(float* p, __m128d v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(_mm_cvtpd_ps(v)));
}
void StoreLow(double* p, __m128d v)
{
    _mm_storel_pd(p, v);
}
void StoreLow(float* p, __m128d v)
{
    *p = static_cast<float>(_mm_cvtsd_f64(v));
}
void StoreHigh(double* p, __m128d v)
{
    _mm_storeh_pd(p, v);
}
void StoreHigh(float* p, __m128d v)
{
    *p = static_cast<float>(_mm_cvtsd_f64(_mm_unpackhi_pd(v, v)));
}

// Two frames per step, so the host channels are read two values at a time;
// the peak still takes the frames one after the other.
template <bool SecondOffset, class Sample>
void ScaleInputPacked(const Sample* left, const Sample* right, double* frames, int n, double gain,
                      ChainPasses::Peaks& peak)
{
    const __m128d g = _mm_set1_pd(gain);
    const __m128d offset = _mm_set1_pd(ChainPasses::kDenormalOffset);
    __m128d p = _mm_set_pd(peak.right, peak.left);
    int i = 0;
    for (; i + 1 < n; i += 2)
    {
        const __m128d l = Load2(left + i);
        const __m128d r = Load2(right + i);
        const __m128d v0 = _mm_mul_pd(_mm_unpacklo_pd(l, r), g);
        const __m128d v1 = _mm_mul_pd(_mm_unpackhi_pd(l, r), g);
        p = _mm_max_pd(v0, p);
        p = _mm_max_pd(v1, p);
        __m128d f0 = _mm_add_pd(v0, offset);
        __m128d f1 = _mm_add_pd(v1, offset);
        if (SecondOffset)
        {
            f0 = _mm_add_pd(f0, offset);
            f1 = _mm_add_pd(f1, offset);
        }
        _mm_storeu_pd(frames + 2 * i, f0);
        _mm_storeu_pd(frames + 2 * i + 2, f1);
    }
    for (; i < n; ++i)
    {
        const __m128d v = _mm_mul_pd(Set2(left, right, i), g);
        p = _mm_max_pd(v, p);
        __m128d f = _mm_add_pd(v, offset);
        if (SecondOffset) f = _mm_add_pd(f, offset);
        _mm_storeu_pd(frames + 2 * i, f);
    }
    _mm_storel_pd(&peak.left, p);
    _mm_storeh_pd(&peak.right, p);
}

template <class Sample>
void ScaleOutputPacked(const double* frames, int n, double gain, ChainPasses::Peaks& peak,
                       Sample* left, Sample* right)
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
        Store2(left + i, _mm_unpacklo_pd(v0, v1));
        Store2(right + i, _mm_unpackhi_pd(v0, v1));
    }
    for (; i < n; ++i)
    {
        const __m128d v = _mm_mul_pd(_mm_loadu_pd(frames + 2 * i), g);
        const __m128d d = _mm_sub_pd(v, v);
        bad = _mm_or_pd(bad, _mm_cmpunord_pd(d, d));
        p = _mm_max_pd(v, p);
        StoreLow(left + i, v);
        StoreHigh(right + i, v);
    }
    if (n > 0 && _mm_movemask_pd(bad) != 0)
    {
        std::fill(left, left + n, Sample(0));
        std::fill(right, right + n, Sample(0));
        p = _mm_max_pd(_mm_setzero_pd(), before);
    }
    _mm_storel_pd(&peak.left, p);
    _mm_storeh_pd(&peak.right, p);
}
} // namespace

void ChainPasses::ScaleInput(const double* left, const double* right, double* frames, int n,
                             double gain, Peaks& peak, bool secondOffset)
{
    if (secondOffset)
        ScaleInputPacked<true>(left, right, frames, n, gain, peak);
    else
        ScaleInputPacked<false>(left, right, frames, n, gain, peak);
}

void ChainPasses::ScaleInput(const float* left, const float* right, double* frames, int n,
                             double gain, Peaks& peak, bool secondOffset)
{
    if (secondOffset)
        ScaleInputPacked<true>(left, right, frames, n, gain, peak);
    else
        ScaleInputPacked<false>(left, right, frames, n, gain, peak);
}

void ChainPasses::ScaleOutput(const double* frames, int n, double gain, Peaks& peak, double* left,
                              double* right)
{
    ScaleOutputPacked(frames, n, gain, peak, left, right);
}

void ChainPasses::ScaleOutput(const double* frames, int n, double gain, Peaks& peak, float* left,
                              float* right)
{
    ScaleOutputPacked(frames, n, gain, peak, left, right);
}
#else
void ChainPasses::ScaleInput(const double* left, const double* right, double* frames, int n,
                             double gain, Peaks& peak, bool secondOffset)
{
    ScaleInputScalar(left, right, frames, n, gain, peak, secondOffset);
}

void ChainPasses::ScaleInput(const float* left, const float* right, double* frames, int n,
                             double gain, Peaks& peak, bool secondOffset)
{
    ScaleInputScalar(left, right, frames, n, gain, peak, secondOffset);
}

void ChainPasses::ScaleOutput(const double* frames, int n, double gain, Peaks& peak, double* left,
                              double* right)
{
    ScaleOutputScalar(frames, n, gain, peak, left, right);
}

void ChainPasses::ScaleOutput(const double* frames, int n, double gain, Peaks& peak, float* left,
                              float* right)
{
    ScaleOutputScalar(frames, n, gain, peak, left, right);
}
#endif
