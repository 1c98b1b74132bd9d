#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace FilterTest;

namespace
{

constexpr double kPi = Dsp::kPi;

// Largest |deviation| of a response test, printed and kept in the XML report.
void Report(const char* what, double deviation)
{
    std::printf("[ deviation ] %s: %.3g\n", what, deviation);
    ::testing::Test::RecordProperty(what, std::to_string(deviation));
}

// Chebyshev polynomial T_n(x) for real x.
double ChebyshevT(int n, double x)
{
    if (std::fabs(x) <= 1) return std::cos(n * std::acos(x));
    const double t = std::cosh(n * std::acosh(std::fabs(x)));
    return (x < 0 && n % 2 == 1) ? -t : t;
}

// θ_n(x) = Σ c_k x^k with the reverse Bessel coefficients from the integer
// recurrence θ_n = (2n − 1)·θ_{n−1} + x²·θ_{n−2}, θ_0 = 1, θ_1 = x + 1.
std::vector<double> ReverseBesselCoefficients(int n)
{
    std::vector<double> prev{1}, cur{1, 1};
    if (n == 0) return prev;
    for (int m = 2; m <= n; ++m)
    {
        std::vector<double> next(m + 1, 0.0);
        for (std::size_t k = 0; k < cur.size(); ++k)
            next[k] += (2 * m - 1) * cur[k];
        for (std::size_t k = 0; k < prev.size(); ++k)
            next[k + 2] += prev[k];
        prev = cur;
        cur = next;
    }
    return cur;
}

Cplx Polynomial(const std::vector<double>& c, Cplx x)
{
    Cplx sum = 0;
    for (std::size_t k = c.size(); k-- > 0;)
        sum = sum * x + c[k];
    return sum;
}

template <class Filter>
double MaxMagnitudeDeviation(const Filter& f, double (*truth)(double, double, int, double),
                             double fc, int n, double extra)
{
    double worst = 0;
    for (int i = 1; i < 400; ++i)
    {
        const double w = kPi * i / 400;
        worst = std::max(worst, std::fabs(Dsp::Abs(f.Response(w)) - truth(w, fc, n, extra)));
    }
    return worst;
}

// Bilinear-transformed closed forms; w in radians per sample, fc in cycles.
double ButterLowPassMagnitude(double w, double fc, int n, double)
{
    return 1 / std::sqrt(1 + std::pow(std::tan(w / 2) / std::tan(kPi * fc), 2 * n));
}
double ButterHighPassMagnitude(double w, double fc, int n, double)
{
    return 1 / std::sqrt(1 + std::pow(std::tan(kPi * fc) / std::tan(w / 2), 2 * n));
}
double ChebyILowPassMagnitude(double w, double fc, int n, double rippleDb)
{
    const double eps2 = std::pow(10.0, rippleDb / 10) - 1;
    const double t = ChebyshevT(n, std::tan(w / 2) / std::tan(kPi * fc));
    return 1 / std::sqrt(1 + eps2 * t * t);
}
// c_0 / |θ_n(j·tan(w/2) / (k·scale))|: the analog Bessel low-pass through
// the bilinear transform, with the −3 dB scaling 1/sqrt(ln 2 · (2n − 1)).
double BesselLowPassMagnitude(double w, double fc, int n, double)
{
    const std::vector<double> c = ReverseBesselCoefficients(n);
    const double scale = 1 / std::sqrt(std::log(2.0) * (2 * n - 1));
    const Cplx s(0, std::tan(w / 2) / (std::tan(kPi * fc) * scale));
    return c[0] / std::abs(Polynomial(c, s));
}

template <int N> double ButterLowPassDeviation(double fc)
{
    Dsp::PoleFilterSpace<Dsp::Butter, Dsp::LowPass, N, 1> f;
    Dsp::FilterParams p;
    p.order = N;
    p.cutoffFrequency = fc;
    EXPECT_NE(f.Design(p), nullptr);
    return MaxMagnitudeDeviation(f, ButterLowPassMagnitude, fc, N, 0);
}

template <int N> double ButterHighPassDeviation(double fc)
{
    Dsp::ButterHighPass<N, 1> f;
    EXPECT_TRUE(f.Setup(1.0, fc));
    return MaxMagnitudeDeviation(f, ButterHighPassMagnitude, fc, N, 0);
}

template <int N> double ChebyIDeviation(double fc, double ripple)
{
    Dsp::ChebyILowPass<N, 2> f;
    EXPECT_TRUE(f.Setup(1.0, fc, ripple));
    return MaxMagnitudeDeviation(f, ChebyILowPassMagnitude, fc, N, ripple);
}

template <int N> double BesselDeviation(double fc)
{
    Dsp::BesselLowPass<N, 2> f;
    EXPECT_TRUE(f.Setup(1.0, fc));
    return MaxMagnitudeDeviation(f, BesselLowPassMagnitude, fc, N, 0);
}

} // namespace

TEST(PrototypeResponse, ButterworthMatchesClosedFormMagnitude)
{
    double worst = 0;
    for (double fc : {0.01, 0.1, 0.3, 0.45})
    {
        worst = std::max({worst, ButterHighPassDeviation<1>(fc), ButterHighPassDeviation<2>(fc),
                          ButterHighPassDeviation<5>(fc), ButterLowPassDeviation<1>(fc),
                          ButterLowPassDeviation<4>(fc), ButterLowPassDeviation<6>(fc)});
    }
    Report("butterworth", worst);
    EXPECT_LT(worst, 1e-12);

    // Far below the rate the poles cluster at z = 1 and a direct-form
    // section loses digits in proportion; the first order does not.
    const double firstOrder =
        std::max(ButterHighPassDeviation<1>(0.001), ButterLowPassDeviation<1>(0.001));
    const double higher =
        std::max({ButterHighPassDeviation<2>(0.001), ButterHighPassDeviation<5>(0.001),
                  ButterLowPassDeviation<6>(0.001)});
    Report("butterworth_first_order_at_0.001", firstOrder);
    Report("butterworth_higher_order_at_0.001", higher);
    EXPECT_LT(firstOrder, 1e-13);
    EXPECT_LT(higher, 1e-11);
}

TEST(PrototypeResponse, FirstOrderButterworthHighPassHasItsAnalyticPole)
{
    Dsp::ButterHighPass<1, 1> f;
    ASSERT_TRUE(f.Setup(1.0, 0.01));
    const double k = std::tan(0.01 * kPi);
    const double pole = -(1 - 1 / k) / (1 + 1 / k);
    ASSERT_EQ(f.GetStageCount(), 1);
    const Dsp::Stage& s = f.GetStage(0);
    EXPECT_NEAR(s.a[1], pole, 1e-15);
    EXPECT_EQ(s.a[2], 0.0);
    EXPECT_EQ(s.b[2], 0.0);
    EXPECT_EQ(s.b[0], -s.b[1]) << "zero at +1 with the (z⁻¹ − 1) sign";
    EXPECT_NEAR(Dsp::Abs(f.Response(kPi)), 1.0, 1e-15);
    EXPECT_NEAR(Dsp::Abs(f.Response(0)), 0.0, 1e-15);
}

TEST(PrototypeResponse, ChebyshevIMatchesClosedFormWithRippleAndDcGain)
{
    double worst = 0;
    for (double fc : {0.02, 0.064, 0.2, 0.4})
        for (double ripple : {0.1, 0.5, 1.0, 3.0})
            worst = std::max({worst, ChebyIDeviation<4>(fc, ripple), ChebyIDeviation<5>(fc, ripple),
                              ChebyIDeviation<6>(fc, ripple)});
    Report("chebyshev_i", worst);
    EXPECT_LT(worst, 1e-12);

    Dsp::ChebyILowPass<4, 2> even;
    Dsp::ChebyILowPass<5, 2> odd;
    Dsp::ChebyILowPass<6, 2> six;
    ASSERT_TRUE(even.Setup(1.0, 0.064, 1.0));
    ASSERT_TRUE(odd.Setup(1.0, 0.064, 1.0));
    ASSERT_TRUE(six.Setup(1.0, 0.064, 1.0));
    EXPECT_NEAR(Dsp::Abs(even.Response(0)), std::pow(10.0, -1.0 / 20), 1e-14);
    EXPECT_NEAR(Dsp::Abs(six.Response(0)), std::pow(10.0, -1.0 / 20), 1e-14);
    EXPECT_NEAR(Dsp::Abs(odd.Response(0)), 1.0, 1e-14);
    // Inside the passband the magnitude stays in the ripple band.
    for (double w = 0; w < 2 * kPi * 0.064; w += 0.001)
    {
        EXPECT_LE(Dsp::Abs(even.Response(w)), 1.0 + 1e-12);
        EXPECT_GE(Dsp::Abs(even.Response(w)), std::pow(10.0, -1.0 / 20) - 1e-12);
    }
}

TEST(PrototypeResponse, BesselMatchesScaledBesselPolynomialThroughBilinearTransform)
{
    double worst = 0;
    for (double fc : {0.01, 0.05, 1.0 / 6, 0.3, 0.45})
        worst = std::max({worst, BesselDeviation<4>(fc), BesselDeviation<6>(fc)});
    Report("bessel_magnitude", worst);
    EXPECT_LT(worst, 1e-12);
}

TEST(PrototypeResponse, BesselCoefficientsAreTheReverseBesselPolynomial)
{
    const double four[] = {105, 105, 45, 10, 1};
    const double six[] = {10395, 10395, 4725, 1260, 210, 21, 1};
    for (int k = 0; k <= 4; ++k)
        EXPECT_EQ(Dsp::Bessel::PolynomialCoefficient(4, k), four[k]);
    for (int k = 0; k <= 6; ++k)
        EXPECT_EQ(Dsp::Bessel::PolynomialCoefficient(6, k), six[k]);
    for (int n = 1; n <= 10; ++n)
    {
        const std::vector<double> c = ReverseBesselCoefficients(n);
        for (int k = 0; k <= n; ++k)
            EXPECT_EQ(Dsp::Bessel::PolynomialCoefficient(n, k), c[k]) << n << " " << k;
    }
}

TEST(PrototypeResponse, BesselPolesAreConjugatePairsOnTheScaledRoots)
{
    double worstResidual = 0;
    auto check = [&worstResidual](const Dsp::Layout& analog, int n)
    {
        const std::vector<double> c = ReverseBesselCoefficients(n);
        const double unscale = std::sqrt(std::log(2.0) * (2 * n - 1));
        Cplx sum = 0, product = 1;
        int positive = 0, negative = 0;
        for (int i = 0; i < n; ++i)
        {
            const Cplx r = Cplx(analog.Pole(i).re, analog.Pole(i).im) * unscale;
            double bound = 0;
            for (int k = 0; k <= n; ++k)
                bound += c[k] * std::pow(std::abs(r), k);
            worstResidual = std::max(worstResidual, std::abs(Polynomial(c, r)) / bound);
            EXPECT_LT(r.real(), 0.0) << "stable";
            positive += r.imag() > 0;
            negative += r.imag() < 0;
            sum += r;
            product *= -r;
            EXPECT_EQ(analog.Zero(i), Dsp::infinity);
        }
        EXPECT_EQ(positive, n / 2) << "no real root for even orders";
        EXPECT_EQ(negative, n / 2);
        // Vieta: the roots are all the roots, each once.
        EXPECT_NEAR(sum.real(), -c[n - 1], 1e-11 * c[n - 1]);
        EXPECT_NEAR(product.real(), c[0], 1e-11 * c[0]);
    };
    Dsp::BesselLowPass<4, 2> four;
    Dsp::BesselLowPass<6, 2> six;
    ASSERT_TRUE(four.Setup(1.0, 0.1));
    ASSERT_TRUE(six.Setup(1.0, 0.1));
    check(four.GetAnalogLayout(), 4);
    check(six.GetAnalogLayout(), 6);
    Report("bessel_root_residual", worstResidual);
    EXPECT_LT(worstResidual, 1e-14);
    EXPECT_NEAR(Dsp::Abs(four.Response(0)), 1.0, 1e-14);
    EXPECT_NEAR(Dsp::Abs(six.Response(0)), 1.0, 1e-14);
}

TEST(PrototypeResponse, ImpulseResponseTransformsToResponse)
{
    double worst = 0;
    auto compare = [&worst](auto& f, int channels)
    {
        const int frames = 16384;
        std::vector<double> buf(frames * channels, 0.0);
        for (int c = 0; c < channels; ++c)
            buf[c] = 1.0 + c; // right channel gets an impulse of 2
        f.Process(frames, buf.data());
        for (int c = 0; c < channels; ++c)
        {
            EXPECT_LT(std::fabs(buf[(frames - 1) * channels + c]), 1e-13) << "impulse has decayed";
            for (double w : {0.0, 0.05, 0.3, 1.0, 2.0, 3.0, kPi})
            {
                const Dsp::Complex h = f.Response(w);
                const Cplx d = Dft(buf, w, channels, c) / (1.0 + c);
                worst = std::max(worst, std::abs(d - Cplx(h.re, h.im)));
            }
        }
    };
    Dsp::BesselLowPass<6, 2> b6;
    Dsp::BesselLowPass<4, 2> b4;
    Dsp::ChebyILowPass<4, 2> c4;
    Dsp::ButterHighPass<1, 1> h1;
    ASSERT_TRUE(b6.Setup(1.0, 1.0 / 6));
    ASSERT_TRUE(b4.Setup(1.0, 0.15));
    ASSERT_TRUE(c4.Setup(1.0, 0.064, 0.5));
    ASSERT_TRUE(h1.Setup(1.0, 0.005));
    compare(b6, 2);
    compare(b4, 2);
    compare(c4, 2);
    compare(h1, 1);
    Report("impulse_dft", worst);
    EXPECT_LT(worst, 1e-12);
}
