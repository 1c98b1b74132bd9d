#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace FilterTest;

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Cutoff/rate pairs that have no valid design: at or above half the rate,
// zero or negative, or not finite.
const std::pair<double, double> kInvalid[] = {
    {1.0, 0.5},  {1.0, 0.75},        {1.0, 1.0},    {1.0, 0.0},  {1.0, -0.1},
    {1.0, kNaN}, {1.0, kInf},        {0.0, 0.1},    {-1.0, 0.1}, {kNaN, 0.1},
    {kInf, 0.1}, {48000.0, 24000.0}, {44100, 30000}};

template <class Filter> std::vector<unsigned char> Snapshot(const Filter& f)
{
    std::vector<unsigned char> bytes(sizeof(Dsp::Stage) * f.GetStageMax() + sizeof(int));
    std::memcpy(bytes.data(), f.GetStages(), sizeof(Dsp::Stage) * f.GetStageMax());
    const int count = f.GetStageCount();
    std::memcpy(bytes.data() + sizeof(Dsp::Stage) * f.GetStageMax(), &count, sizeof count);
    return bytes;
}

template <class Filter> bool AllFinite(const Filter& f)
{
    for (int i = 0; i < f.GetStageMax(); ++i)
    {
        const Dsp::Stage& s = f.GetStage(i);
        for (double v : {s.a[1], s.a[2], s.b[0], s.b[1], s.b[2]})
            if (!std::isfinite(v)) return false;
    }
    return true;
}

// Designs validly, runs a little signal, then checks that every invalid
// design is refused and leaves coefficients and state exactly as they were.
template <class Filter, class Setup> void ExpectRefusedAndUnchanged(Setup setup)
{
    Filter f;
    ASSERT_TRUE(setup(f, 1.0, 0.1));
    std::vector<double> warm = Noise(64 * Filter::kChannels, 1);
    f.Process(64, warm.data());
    const std::vector<unsigned char> before = Snapshot(f);
    const Dsp::SectionState state = f.GetState(0, 0);
    for (const auto& [rate, cutoff] : kInvalid)
    {
        EXPECT_FALSE(setup(f, rate, cutoff)) << rate << " " << cutoff;
        EXPECT_EQ(Snapshot(f), before) << rate << " " << cutoff;
        EXPECT_TRUE(AllFinite(f));
    }
    EXPECT_EQ(std::memcmp(&state, &f.GetState(0, 0), sizeof state), 0);

    Filter never;
    for (const auto& [rate, cutoff] : kInvalid)
        EXPECT_FALSE(setup(never, rate, cutoff));
    std::vector<double> buf = Noise(32 * Filter::kChannels, 2);
    never.Process(32, buf.data());
    for (double v : buf)
        EXPECT_EQ(v, 0.0) << "a refused first design leaves the filter silent";

    // Just below half the rate is still a valid, finite design.
    EXPECT_TRUE(setup(f, 1.0, 0.4999));
    EXPECT_TRUE(AllFinite(f));
    EXPECT_TRUE(setup(f, 96000.0, 47000.0));
    EXPECT_TRUE(AllFinite(f));
}

} // namespace

TEST(InvalidDesign, CutoffOutsideZeroToHalfTheRateIsRefusedAndKeepsCoefficients)
{
    ExpectRefusedAndUnchanged<Dsp::BesselLowPass<6, 2>>([](auto& f, double r, double c)
                                                        { return f.Setup(r, c); });
    ExpectRefusedAndUnchanged<Dsp::BesselLowPass<4, 2>>([](auto& f, double r, double c)
                                                        { return f.Setup(r, c); });
    ExpectRefusedAndUnchanged<Dsp::ChebyILowPass<4, 2>>([](auto& f, double r, double c)
                                                        { return f.Setup(r, c, 0.5); });
    ExpectRefusedAndUnchanged<Dsp::ButterHighPass<1, 1>>([](auto& f, double r, double c)
                                                         { return f.Setup(r, c); });
}

TEST(InvalidDesign, ChebyshevRippleWithoutFinitePolesIsRefused)
{
    Dsp::ChebyILowPass<4, 2> f;
    ASSERT_TRUE(f.Setup(1.0, 0.064, 0.5));
    const std::vector<unsigned char> before = Snapshot(f);
    for (double ripple : {0.0, -1.0, kNaN, kInf})
    {
        EXPECT_FALSE(f.Setup(1.0, 0.064, ripple)) << ripple;
        EXPECT_EQ(Snapshot(f), before);
    }
    EXPECT_TRUE(f.Setup(1.0, 0.064, 0.01));
    EXPECT_TRUE(AllFinite(f));
}
