#pragma once

#include "dsp/filters/Complex.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace Dsp
{
namespace FastApprox
{

// Brings x into [−π, π] for inputs within one period of it (wraps once).
inline double WrapOnce(double x)
{
    if (x < -kPi)
        x += kTwoPi;
    else if (x > kPi)
        x -= kTwoPi;
    return x;
}

// Parabolic sine of x ∈ [−π, π] with one correction step; error about 1e-3.
inline double SineOfWrapped(double x)
{
    const double y = 1.27323954 * x - 0.405284735 * x * std::fabs(x);
    return y + 0.225 * (y * std::fabs(y) - y);
}

inline double Sin(double x)
{
    return SineOfWrapped(WrapOnce(x));
}

inline double Cos(double x)
{
    double t = WrapOnce(x) + kPi / 2;
    if (t > kPi) t -= kTwoPi;
    return SineOfWrapped(t);
}

// Square root of a positive double by halving its bit pattern (exponent
// halved, mantissa linearly interpolated); exact at powers of 4, a few
// percent off in between.
inline double Sqrt(double v)
{
    std::int64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    bits = (bits >> 1) + 0x1FF8000000000000LL;
    double r = 0;
    std::memcpy(&r, &bits, sizeof r);
    return r;
}

} // namespace FastApprox
} // namespace Dsp
