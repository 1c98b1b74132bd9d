#include "dsp/ChainPasses.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KORVALA_CHAIN_PACKED
#endif

void ChainPasses::Interleave(const double* left, const double* right, double* frames, int n)
{
    for (int i = 0; i < n; ++i)
    {
        frames[2 * i] = left ? left[i] : 0.0;
        frames[2 * i + 1] = right ? right[i] : 0.0;
    }
}

void ChainPasses::ScaleInputScalar(const double* left, const double* right, double* frames, int n,
                                   double gain, Peaks& peak)
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

void ChainPasses::ScaleOutputScalar(const double* frames, int n, double gain, Peaks& peak,
                                    double* left, double* right)
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

#ifdef KORVALA_CHAIN_PACKED
// _mm_max_pd(v, p) returns p when either is NaN or both are equal, which is
// std::max(p, v) lane by lane.

// Two frames per step, so the host channels are read two values at a time;
// the peak still takes the frames one after the other.
void ChainPasses::ScaleInput(const double* left, const double* right, double* frames, int n,
                             double gain, Peaks& peak)
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

void ChainPasses::ScaleOutput(const double* frames, int n, double gain, Peaks& peak, double* left,
                              double* right)
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
void ChainPasses::ScaleInput(const double* left, const double* right, double* frames, int n,
                             double gain, Peaks& peak)
{
    ScaleInputScalar(left, right, frames, n, gain, peak);
}

void ChainPasses::ScaleOutput(const double* frames, int n, double gain, Peaks& peak, double* left,
                              double* right)
{
    ScaleOutputScalar(frames, n, gain, peak, left, right);
}
#endif
