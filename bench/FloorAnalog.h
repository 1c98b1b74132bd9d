#pragma once

// The analog stage at the host's rate: a band-limited copy of the block
// (a two-section, two-channel cascade), the harmonic polynomial, the DC
// blocker and the noise. Reference as separate passes, and a floor form that
// runs the cascade's sections interleaved and does polynomial, DC blocker and
// noise in one packed pass. Same operations per value, so bit-identical.

#include "FloorFilters.h"

#include <cstdint>
#include <vector>

namespace floorbench
{

struct AnalogState
{
    Cascade<2, 2> bandLimit;
    double drive = 0.5;
    double dcB0 = 1.0, dcB1 = -1.0, dcA1 = 0.0;
    double dcX1[2] = {0.0, 0.0}, dcY1[2] = {0.0, 0.0};
    uint32_t s0 = 0x67452301u, s1 = 0xEFCDAB89u;
    std::vector<double> work;
};

constexpr double kNoiseScale = 4.656612873077393e-10 * 1e-5;

inline double Harmonics(double x, double b, double drive)
{
    const double b2 = b * b;
    const double b3 = b2 * b;
    const double b4 = b2 * b2;
    const double b5 = b4 * b;
    const double b6 = b4 * b2;
    return x + drive * (0.5 * b2 + 0.25 * b4 + 0.125 * b6) - 0.15 * b3 - 0.075 * b5;
}

inline double NextNoise(AnalogState& s)
{
    const int32_t w = static_cast<int32_t>(s.s1);
    s.s0 ^= s.s1;
    s.s1 = s.s0 + s.s1;
    return kNoiseScale * w;
}

inline void AnalogReference(AnalogState& s, double* x, size_t frames)
{
    double* b = s.work.data();
    for (size_t i = 0; i < 2 * frames; ++i)
        b[i] = x[i];
    ProcessReference(s.bandLimit, b, frames);
    for (size_t i = 0; i < 2 * frames; ++i)
        x[i] = Harmonics(x[i], b[i], s.drive);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
        {
            const double v = x[2 * i + c] + 1e-23;
            const double y = s.dcB0 * v + s.dcB1 * s.dcX1[c] + s.dcA1 * s.dcY1[c];
            s.dcX1[c] = v;
            s.dcY1[c] = y;
            x[2 * i + c] = y;
        }
    for (size_t i = 0; i < frames; ++i)
    {
        const double v = NextNoise(s);
        x[2 * i] += v;
        x[2 * i + 1] += v;
    }
}

inline __m128d HarmonicsPacked(__m128d x, __m128d b, __m128d drive)
{
    const __m128d b2 = _mm_mul_pd(b, b);
    const __m128d b3 = _mm_mul_pd(b2, b);
    const __m128d b4 = _mm_mul_pd(b2, b2);
    const __m128d b5 = _mm_mul_pd(b4, b);
    const __m128d b6 = _mm_mul_pd(b4, b2);
    __m128d even = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(0.5), b2), _mm_mul_pd(_mm_set1_pd(0.25), b4));
    even = _mm_add_pd(even, _mm_mul_pd(_mm_set1_pd(0.125), b6));
    __m128d y = _mm_add_pd(x, _mm_mul_pd(drive, even));
    y = _mm_sub_pd(y, _mm_mul_pd(_mm_set1_pd(0.15), b3));
    return _mm_sub_pd(y, _mm_mul_pd(_mm_set1_pd(0.075), b5));
}

inline void AnalogFloor(AnalogState& s, double* x, size_t frames)
{
    double* b = s.work.data();
    for (size_t i = 0; i < 2 * frames; ++i)
        b[i] = x[i];
    ProcessInterleaved(s.bandLimit, b, frames);
    const __m128d drive = _mm_set1_pd(s.drive), tiny = _mm_set1_pd(1e-23);
    const __m128d b0 = _mm_set1_pd(s.dcB0), b1 = _mm_set1_pd(s.dcB1), a1 = _mm_set1_pd(s.dcA1);
    __m128d x1 = _mm_loadu_pd(s.dcX1), y1 = _mm_loadu_pd(s.dcY1);
    for (size_t i = 0; i < frames; ++i)
    {
        const __m128d v = _mm_add_pd(
            HarmonicsPacked(_mm_loadu_pd(x + 2 * i), _mm_loadu_pd(b + 2 * i), drive), tiny);
        const __m128d y =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(b0, v), _mm_mul_pd(b1, x1)), _mm_mul_pd(a1, y1));
        x1 = v;
        y1 = y;
        _mm_storeu_pd(x + 2 * i, _mm_add_pd(y, _mm_set1_pd(NextNoise(s))));
    }
    _mm_storeu_pd(s.dcX1, x1);
    _mm_storeu_pd(s.dcY1, y1);
}

} // namespace floorbench
