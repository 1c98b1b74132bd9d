// Oversampling and the sidechain high-pass against analytic facts.

#include "dsp/Oversampler.h"
#include "dsp/SidechainFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

// M_PI is not standard C++ (mingw leaves it out in strict mode).
static constexpr double kPi = 3.14159265358979323846;

namespace
{
std::vector<double> RoundTrip(Oversampler& os, double cutoff, const std::vector<double>& in)
{
    os.Design(cutoff);
    const int n = (int)in.size() / 2;
    std::vector<double> out(in.size());
    for (int done = 0; done < n; done += 1000)
    {
        const int len = std::min(1000, n - done);
        os.UpsampleMain(in.data() + 2 * done, len);
        os.Downsample(out.data() + 2 * done, len);
    }
    return out;
}

double SineAmplitude(SidechainFilter& f, double cyclesPerSample)
{
    double peak = 0;
    for (int i = 0; i < 40000; ++i)
    {
        const double y = f.ProcessSample(std::sin(2 * kPi * cyclesPerSample * i));
        if (i > 20000) peak = std::max(peak, std::fabs(y));
    }
    return peak;
}
} // namespace

TEST(Oversampler, DcOfLevelOneSurvivesUpAndDownSampling)
{
    for (int rate : {44100, 48000, 96000})
    {
        auto os = std::make_unique<Oversampler>();
        const std::vector<double> dc(2 * 20000, 1.0);
        const std::vector<double> out = RoundTrip(*os, 20000.0 / (3.0 * rate), dc);
        // The decimation folds a little of the stuffing image back: ~0.1 %.
        EXPECT_NEAR(out[2 * 19999], 1.0, 1e-3) << rate;
        EXPECT_NEAR(out[2 * 19999 + 1], 1.0, 1e-3) << rate;
    }
}

TEST(Oversampler, LowRatesStillGiveFiniteBandLimitedOutput)
{
    // 20000 / (3 * 8000) is above half the oversampled rate: no valid design.
    auto os = std::make_unique<Oversampler>();
    std::vector<double> in(2 * 8000);
    for (int i = 0; i < 8000; ++i)
        in[2 * i] = in[2 * i + 1] = (i % 2 ? 1.0 : -1.0) * 0.5 + 0.5; // DC plus Nyquist
    const std::vector<double> out = RoundTrip(*os, 20000.0 / (3.0 * 8000), in);
    for (double v : out)
        ASSERT_TRUE(std::isfinite(v));
    // DC passes, the base Nyquist tone is at the fallback corner: attenuated.
    EXPECT_NEAR(0.5 * (out[2 * 7998] + out[2 * 7999]), 0.5, 0.02);
    EXPECT_LT(std::fabs(out[2 * 7998] - out[2 * 7999]), 0.9);
}

TEST(Oversampler, ToneAboveTheBaseBandIsRejected)
{
    // At 96 kHz the corner (20 kHz) lies well below a tone at 0.45 of the
    // base rate (43.2 kHz).
    auto os = std::make_unique<Oversampler>();
    const int n = 20000;
    std::vector<double> in(2 * n);
    for (int i = 0; i < n; ++i)
        in[2 * i] = in[2 * i + 1] = std::sin(2 * kPi * 0.45 * i);
    const std::vector<double> out = RoundTrip(*os, 20000.0 / (3.0 * 96000), in);
    double peak = 0;
    for (int i = n / 2; i < n; ++i)
        peak = std::max(peak, std::fabs(out[2 * i]));
    EXPECT_LT(peak, 0.1);
}

TEST(SidechainFilter, ZeroHertzBypassesAndThreeHundredHertzHighPasses)
{
    SidechainFilter f;
    f.SetFrequency(0.0);
    f.Design(0.0);
    EXPECT_FALSE(f.IsOn());

    const double rate = 3 * 44100.0;
    f.SetFrequency(300.0);
    f.Design(300.0 / rate);
    ASSERT_TRUE(f.IsOn());
    // First-order high-pass: |H(f)| = f / sqrt(f^2 + fc^2) (bilinear warping
    // is negligible this far below Nyquist).
    EXPECT_NEAR(SineAmplitude(f, 50.0 / rate), 50.0 / std::hypot(50.0, 300.0), 0.005);
    EXPECT_NEAR(SineAmplitude(f, 300.0 / rate), std::sqrt(0.5), 0.005);
    EXPECT_NEAR(SineAmplitude(f, 5000.0 / rate), 5000.0 / std::hypot(5000.0, 300.0), 0.005);
}
