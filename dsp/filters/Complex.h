#pragma once

#include <cmath>
#include <limits>

namespace Dsp
{

// A complex double whose arithmetic is written out operation by operation.
// Library complex types leave division and overflow handling to the compiler
// run-time (which differs between g++, clang and MSVC); designs must give the
// same bits everywhere, so the filter library uses only these operations.
struct Complex
{
    double re = 0;
    double im = 0;

    constexpr Complex() = default;
    constexpr Complex(double real, double imag = 0) : re(real), im(imag) {}
};

// The root "at infinity" of an analog prototype's zeros. Compared exactly.
inline constexpr Complex infinity{std::numeric_limits<double>::infinity(), 0.0};

inline Complex operator+(Complex a, Complex b)
{
    return {a.re + b.re, a.im + b.im};
}
inline Complex operator-(Complex a, Complex b)
{
    return {a.re - b.re, a.im - b.im};
}
inline Complex operator-(Complex a)
{
    return {-a.re, -a.im};
}
inline Complex operator*(Complex a, Complex b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline Complex operator*(double s, Complex a)
{
    return {s * a.re, s * a.im};
}
inline Complex operator*(Complex a, double s)
{
    return {a.re * s, a.im * s};
}
inline bool operator==(Complex a, Complex b)
{
    return a.re == b.re && a.im == b.im;
}
inline bool operator!=(Complex a, Complex b)
{
    return !(a == b);
}

// Division scaled by the larger of the divisor's parts (Smith), so that the
// intermediate products cannot overflow for large divisors.
inline Complex operator/(Complex a, Complex b)
{
    if (std::fabs(b.re) >= std::fabs(b.im))
    {
        const double r = b.im / b.re;
        const double d = b.re + b.im * r;
        return {(a.re + a.im * r) / d, (a.im - a.re * r) / d};
    }
    const double r = b.re / b.im;
    const double d = b.re * r + b.im;
    return {(a.re * r + a.im) / d, (a.im * r - a.re) / d};
}

// sqrt(x² + y²) with both parts scaled by a power of two first: exact scaling,
// so the result equals the naive one wherever that one neither overflows nor
// underflows.
inline double Hypot(double x, double y)
{
    const double ax = std::fabs(x);
    const double ay = std::fabs(y);
    if (std::isinf(ax) || std::isinf(ay)) return std::numeric_limits<double>::infinity();
    if (std::isnan(ax) || std::isnan(ay)) return std::numeric_limits<double>::quiet_NaN();
    const double m = ax > ay ? ax : ay;
    if (m == 0) return 0;
    int e = 0;
    std::frexp(m, &e);
    const double sx = std::ldexp(ax, -e);
    const double sy = std::ldexp(ay, -e);
    return std::ldexp(std::sqrt(sx * sx + sy * sy), e);
}

inline double Abs(Complex a)
{
    return Hypot(a.re, a.im);
}

// Principal square root (branch cut on the negative real axis).
inline Complex Sqrt(Complex a)
{
    if (a.re == 0 && a.im == 0) return {0, a.im};
    const double t = std::sqrt((Abs(a) + std::fabs(a.re)) * 0.5);
    if (a.re >= 0) return {t, a.im / (2 * t)};
    return {std::fabs(a.im) / (2 * t), std::copysign(t, a.im)};
}

inline bool IsFinite(Complex a)
{
    return std::isfinite(a.re) && std::isfinite(a.im);
}

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2 * kPi;

} // namespace Dsp
