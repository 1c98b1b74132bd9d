#include "FilterTestSupport.h"

#include "dsp/filters/FastApprox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace FilterTest;

TEST(FastApprox, SineAndCosineStayWithinTheirKnownError)
{
    double worstSin = 0, worstCos = 0;
    for (double x = -2 * Dsp::kPi; x <= 2 * Dsp::kPi; x += 1e-3)
    {
        worstSin = std::max(worstSin, std::fabs(Dsp::FastApprox::Sin(x) - std::sin(x)));
        worstCos = std::max(worstCos, std::fabs(Dsp::FastApprox::Cos(x) - std::cos(x)));
    }
    std::printf("[ deviation ] approximate sine %.3g, cosine %.3g\n", worstSin, worstCos);
    EXPECT_LT(worstSin, 1.2e-3);
    EXPECT_LT(worstCos, 1.2e-3);
    EXPECT_EQ(Dsp::FastApprox::Sin(0.0), 0.0);
    // The eight-digit constants put the peak 1e-8 below 1.
    EXPECT_NEAR(Dsp::FastApprox::Sin(Dsp::kPi / 2), 1.0, 2e-8);
    EXPECT_NEAR(Dsp::FastApprox::Cos(0.0), 1.0, 2e-8);
    EXPECT_EQ(Dsp::FastApprox::Sin(-1.0), -Dsp::FastApprox::Sin(1.0)) << "odd";
}

TEST(FastApprox, SquareRootIsExactAtPowersOfFourAndClose)
{
    for (int e = -20; e <= 20; ++e)
        EXPECT_EQ(Dsp::FastApprox::Sqrt(std::ldexp(1.0, 2 * e)), std::ldexp(1.0, e));
    double worst = 0;
    for (double v = 0.01; v < 100; v *= 1.001)
        worst = std::max(worst, std::fabs(Dsp::FastApprox::Sqrt(v) / std::sqrt(v) - 1));
    std::printf("[ deviation ] approximate square root, relative %.3g\n", worst);
    EXPECT_LT(worst, 0.07);
}

TEST(HighShelf, UnitGainAtDcAndShelfGainAtNyquist)
{
    // Whatever the approximations give, the design's structure fixes both
    // ends: H(1) = 1 and H(−1) = 10^(gainDb/20).
    double worst = 0;
    for (double rate : {44100.0, 48000.0, 96000.0, 144000.0})
        for (double gainDb : {-12.0, 6.0, 15.0})
        {
            Dsp::SingleSectionFilter f;
            f.DesignHighShelf(1000 / rate, gainDb, 0.5);
            worst = std::max(worst, std::fabs(Dsp::Abs(f.Response(0)) - 1));
            worst = std::max(
                worst, std::fabs(Dsp::Abs(f.Response(Dsp::kPi)) / std::pow(10.0, gainDb / 20) - 1));
        }
    std::printf("[ deviation ] high shelf end gains, relative %.3g\n", worst);
    EXPECT_LT(worst, 1e-12);
}

TEST(HighShelf, FollowsTheExactShelfWithinTheApproximationError)
{
    const double f0 = 1000.0 / 48000, A = std::pow(10.0, 6.0 / 40), S = 0.5;
    // The same shelf with the exact sine, cosine and square root.
    const double w0 = 2 * Dsp::kPi * f0;
    const double alpha = std::sin(w0) / 2 * std::sqrt((A + 1 / A) * (1 / S - 1) + 2);
    const double cs = std::cos(w0), beta = 2 * std::sqrt(A) * alpha;
    const double a0 = (A + 1) - (A - 1) * cs + beta;
    const Cplx b[3] = {A * ((A + 1) + (A - 1) * cs + beta) / a0,
                       -2 * A * ((A - 1) + (A + 1) * cs) / a0,
                       A * ((A + 1) + (A - 1) * cs - beta) / a0};
    const Cplx a[3] = {1, 2 * ((A - 1) - (A + 1) * cs) / a0, ((A + 1) - (A - 1) * cs - beta) / a0};

    Dsp::SingleSectionFilter f;
    f.DesignHighShelf(f0, 6.0, S);
    double worstDb = 0;
    for (double w = 0.001; w < Dsp::kPi; w *= 1.05)
    {
        const Cplx z1 = std::polar(1.0, -w), z2 = z1 * z1;
        const double exact =
            std::abs((b[0] + b[1] * z1 + b[2] * z2) / (a[0] + a[1] * z1 + a[2] * z2));
        worstDb = std::max(worstDb, std::fabs(20 * std::log10(Dsp::Abs(f.Response(w)) / exact)));
    }
    std::printf("[ deviation ] high shelf against the exact design %.3g dB\n", worstDb);
    EXPECT_LT(worstDb, 0.1);
    // More sensitive above 1 kHz than below it.
    EXPECT_GT(Dsp::Abs(f.Response(2 * Dsp::kPi * 5000 / 48000)), 1.5);
    EXPECT_LT(Dsp::Abs(f.Response(2 * Dsp::kPi * 100 / 48000)), 1.05);
}

TEST(HighShelf, SingleSectionProcessesLikeTheNaiveRecursionAndStartsSilent)
{
    Dsp::SingleSectionFilter f;
    EXPECT_EQ(f.GetStageCount(), 1);
    std::vector<double> silent = Noise(100, 1);
    f.Process(100, silent.data());
    for (double v : silent)
        EXPECT_EQ(v, 0.0);

    f.DesignHighShelf(1000.0 / 44100, 6.0, 0.5);
    f.ResetState();
    Dsp::SingleSectionFilter g = f;
    const std::vector<double> in = Noise(4000, 2);
    std::vector<double> out = in;
    f.Process(int(out.size()), out.data());
    EXPECT_TRUE(SameBits(out, NaiveSections(StagesOf(f), in)));
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(g.ProcessSample(in[i]), out[i]);

    // skip = 1: every second double is left alone.
    Dsp::SingleSectionFilter h = f;
    h.ResetState();
    std::vector<double> spaced(2 * in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
    {
        spaced[2 * i] = in[i];
        spaced[2 * i + 1] = -7.0;
    }
    h.Process(int(in.size()), spaced.data(), 1);
    for (std::size_t i = 0; i < in.size(); ++i)
    {
        ASSERT_EQ(spaced[2 * i], out[i]);
        ASSERT_EQ(spaced[2 * i + 1], -7.0);
    }
}
