// What the models do, checked against analytic facts rather than their code:
// steady states of the feedback loops, release shape, detector weighting
// and block-size independence.

#include "dsp/VCACompressor.h"
#include "dsp/VintageFETCompressor.h"
#include "dsp/VintageOptoCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

// M_PI is not standard C++ (mingw leaves it out in strict mode).
static constexpr double kPi = 3.14159265358979323846;

namespace
{
// The FET/opto curve, written from its definition.
double Curve(double v)
{
    const double o = v / (0.37011709966 * v * v + 1.1605589854) + 0.1071000671 * v;
    return std::min(1.0, std::max(-1.0, o));
}

// Solves g = 1 - Curve(h(g)) by bisection (h rises with g, so the right-hand
// side falls and the fixed point is unique).
template <class F> double FixedPoint(F h)
{
    double lo = 0, hi = 1;
    for (int i = 0; i < 200; ++i)
    {
        const double mid = 0.5 * (lo + hi);
        (1 - Curve(h(mid)) > mid ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

template <class Model> void PlainSetup(Model& m)
{
    m.SetSampleRate(44100);
    m.stages.SetAnalogEmulation(false);
    m.SetOversampling(false);
}

template <class Model> void RunDc(Model& m, double level, int frames)
{
    std::vector<double> x(2 * 1000, level), sc(2 * 1000, 0.0);
    for (int done = 0; done < frames; done += 1000)
    {
        std::fill(x.begin(), x.end(), level);
        m.Process(x.data(), 1000, sc.data());
    }
}
} // namespace

TEST(ModelBehaviour, VcaRatioOneGivesGainExactlyOne)
{
    auto m = std::make_unique<VCACompressor>();
    PlainSetup(*m);
    m->SetThreshold(0.001);
    m->SetRatio(1.0);
    std::vector<double> x(2 * 5000), in;
    for (int i = 0; i < 5000; ++i)
        x[2 * i] = x[2 * i + 1] = 0.99 * std::sin(0.05 * i);
    in = x;
    m->Process(x.data(), 5000, nullptr);
    EXPECT_EQ(m->stages.GainReduction(), 1.0);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(x[i], in[i] + 1e-24);
}

TEST(ModelBehaviour, VcaSettlesAtTheHardKneeGainOfItsRmsLevel)
{
    auto m = std::make_unique<VCACompressor>();
    PlainSetup(*m);
    m->SetThreshold(0.1);
    m->SetRatio(4.0);
    RunDc(*m, 0.5, 44100 * 4);
    // DC 0.5 on both channels: RMS 0.5, level 1.41 * 0.5.
    const double env = 1.41 * 0.5;
    EXPECT_NEAR(m->Gain(), ((env - 0.1) / 4 + 0.1) / env, 1e-9);
}

TEST(ModelBehaviour, FetSettlesAtAConsistentFeedbackGain)
{
    auto m = std::make_unique<VintageFETCompressor>();
    PlainSetup(*m);
    m->SetThreshold(0.01);
    m->SetRatio(0.5);
    const double x = 0.3;
    RunDc(*m, x, 44100 * 4);
    // Detector: |k * (g x + g x)| with k = 0.01 * 0.5 * 400; m = 2 env^2.
    const double k = 0.01 * 0.5 * 400;
    const double g = FixedPoint(
        [&](double gg)
        {
            const double e = k * 2 * gg * x;
            return 2 * e * e;
        });
    EXPECT_LT(g, 0.95);
    EXPECT_NEAR(m->Gain(), g, 1e-9);
}

TEST(ModelBehaviour, OptoSettlesAtAConsistentFeedbackGain)
{
    auto m = std::make_unique<VintageOptoCompressor>();
    PlainSetup(*m);
    m->SetThreshold(0.004);
    const double x = 0.4;
    RunDc(*m, x, 44100 * 6);
    // The shelf's gain at DC, measured on its own design.
    Dsp::SingleSectionFilter shelf;
    shelf.DesignHighShelf(1000.0 / 44100, 6.0, 0.5);
    double dcGain = 0;
    for (int i = 0; i < 100000; ++i)
        dcGain = shelf.ProcessSample(1.0);
    const double drive = 0.004 * 450;
    const double g = FixedPoint([&](double gg) { return drive * dcGain * 2 * gg * (x + 1e-24); });
    EXPECT_LT(g, 0.9);
    EXPECT_NEAR(m->Gain(), g, 1e-9);
}

TEST(ModelBehaviour, OptoReleaseFallsFastThenSlowAfterABurst)
{
    auto m = std::make_unique<VintageOptoCompressor>();
    PlainSetup(*m);
    m->SetThreshold(0.01);
    RunDc(*m, 0.5, 44100);
    const double start = m->Envelope();
    ASSERT_GT(start, 0.1);

    std::vector<double> silent(2, 0.0);
    int toNinety = -1, toHalf = -1;
    for (int i = 1; i <= 44100 && toHalf < 0; ++i)
    {
        silent[0] = silent[1] = 0.0;
        m->Process(silent.data(), 1, nullptr);
        if (toNinety < 0 && m->Envelope() <= 0.9 * start) toNinety = i;
        if (m->Envelope() <= 0.45 * start) toHalf = i;
    }
    // First tenth at 60 ms: 0.06 ln(1/0.9) = 6.3 ms; then halving at 600 ms:
    // 0.6 ln 2 = 416 ms.
    EXPECT_NEAR(toNinety / 44.1, 1000 * 0.06 * std::log(1 / 0.9), 0.2);
    EXPECT_NEAR((toHalf - toNinety) / 44.1, 1000 * 0.6 * std::log(2.0), 2.0);
}

TEST(ModelBehaviour, OptoDetectorReactsMoreToTrebleThanToBass)
{
    double gains[2];
    const double freqs[2] = {100.0, 5000.0};
    for (int f = 0; f < 2; ++f)
    {
        auto m = std::make_unique<VintageOptoCompressor>();
        PlainSetup(*m);
        m->SetThreshold(0.002);
        std::vector<double> x(2 * 44100);
        for (int i = 0; i < 44100; ++i)
            x[2 * i] = x[2 * i + 1] = 0.3 * std::sin(2 * kPi * freqs[f] * i / 44100);
        m->Process(x.data(), 44100, nullptr);
        gains[f] = m->stages.GainReduction();
    }
    EXPECT_LT(gains[1], gains[0] - 0.02);
}

template <class Model> void ConfigureForSplits(Model& m)
{
    m.SetSampleRate(48000);
    m.SetThreshold(0.02);
    m.stages.SetAnalogEmulation(true);
    m.SetStereoFlag(true);
    m.SetOversampling(true);
}

template <> void ConfigureForSplits(VCACompressor& m)
{
    m.SetSampleRate(48000);
    m.SetThreshold(0.05);
    m.SetRatio(6.0);
    m.stages.SetAnalogEmulation(true);
    m.SetStereoFlag(true);
    m.SetOversampling(true);
}

template <> void ConfigureForSplits(VintageFETCompressor& m)
{
    m.SetSampleRate(48000);
    m.SetThreshold(0.02);
    m.SetRatio(0.7);
    m.stages.SetAnalogEmulation(true);
    m.SetStereoFlag(true);
    m.SetOversampling(true);
}

// One block far longer than every internal buffer, blocks of one frame and
// random blocks up to 8192 frames give the same output bit for bit.
template <class Model> void OutputIndependentOfBlockSize()
{
    const int n = 20000;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-0.8, 0.8);
    std::vector<double> in(2 * n), sc(2 * n, 0.0);
    for (double& v : in)
        v = u(rng);
    std::vector<double> whole = in, single = in, random = in;
    auto a = std::make_unique<Model>();
    auto b = std::make_unique<Model>();
    auto c = std::make_unique<Model>();
    for (Model* m : {a.get(), b.get(), c.get()})
    {
        ConfigureForSplits(*m);
        // Each instance draws its own right-channel offset.
        m->stages.SetRightChannelOffset(a->stages.RightChannelOffset());
    }
    a->Process(whole.data(), n, sc.data());
    for (int i = 0; i < n; ++i)
        b->Process(single.data() + 2 * i, 1, sc.data() + 2 * i);
    std::uniform_int_distribution<int> len(1, 8192);
    for (int done = 0; done < n;)
    {
        const int k = std::min(len(rng), n - done);
        c->Process(random.data() + 2 * done, k, sc.data() + 2 * done);
        done += k;
    }
    EXPECT_EQ(0, std::memcmp(whole.data(), single.data(), sizeof(double) * whole.size()));
    EXPECT_EQ(0, std::memcmp(whole.data(), random.data(), sizeof(double) * whole.size()));
}

TEST(ModelBehaviour, OutputIsIndependentOfBlockSize)
{
    OutputIndependentOfBlockSize<VCACompressor>();
    OutputIndependentOfBlockSize<VintageFETCompressor>();
    OutputIndependentOfBlockSize<VintageOptoCompressor>();
}
