// The VCA gains pass on 256-bit vectors (AVX2) against the two-frame SSE2
// form, the baseline, bit for bit: whole models over random settings and
// block sizes, and the pass itself against the gain law written out plainly.
// Skipped on processors without AVX2.

#include "dsp/VCACompressor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace
{
bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Restores the default (wide where available) whatever the test does.
struct BaselineSwitch
{
    ~BaselineSwitch() { VCACompressor::UseWideGains(true); }
};
} // namespace

TEST(WideGains, PassEqualsTheGainLawFrameByFrame)
{
    if (!VCACompressor::HasWideGains()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 gen(21);
    std::uniform_real_distribution<double> u(0.0, 1.5);
    const int n = 1003;
    std::vector<double> env(n), x(2 * n);
    for (double& e : env)
        e = u(gen);
    for (double& v : x)
        v = u(gen) - 0.75;
    const double thr = 0.3, rat = 4.0, offset = 3e-4;
    env[4] = thr;
    env[5] = 0.0;
    x[8] = -0.0;
    std::vector<double> y = x;
    double previous = 0.8, smallest = 0.9;
    const int done = VCACompressor::ApplyGainsWide(y.data(), n, env.data(), thr, rat, offset,
                                                   previous, smallest);
    ASSERT_EQ(done, n - n % 4);

    double prev = 0.8, least = 0.9;
    for (int i = 0; i < done; ++i)
    {
        const double l = prev * x[2 * i];
        const double r = (prev + offset) * x[2 * i + 1];
        ASSERT_TRUE(SameBits(y[2 * i], l) && SameBits(y[2 * i + 1], r)) << i;
        double over = env[i] - thr;
        if (over <= 0.0) over = 0.0;
        prev = (over / rat + thr) / (thr + over);
        if (prev < least) least = prev;
    }
    EXPECT_TRUE(SameBits(previous, prev));
    EXPECT_TRUE(SameBits(smallest, least));
    for (int i = 2 * done; i < 2 * n; ++i)
        EXPECT_TRUE(SameBits(y[i], x[i])) << "frame beyond the pass changed: " << i / 2;
}

TEST(WideGains, ModelEqualsTheTwoFrameBaselineUnderRandomSettings)
{
    if (!VCACompressor::HasWideGains()) GTEST_SKIP() << "no AVX2 on this processor";
    BaselineSwitch restore;
    auto wide = std::make_unique<VCACompressor>();
    auto base = std::make_unique<VCACompressor>();
    base->stages.SetRightChannelOffset(wide->stages.RightChannelOffset());
    for (VCACompressor* m : {wide.get(), base.get()})
    {
        m->SetSampleRate(44100);
        m->SetOversampling(false);
        m->SetStereoFlag(true);
    }
    std::mt19937 gen(8);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::uniform_int_distribution<int> len(0, 700);
    const int total = 40000;
    std::vector<double> in(2 * total), side(2 * total);
    for (int i = 0; i < 2 * total; ++i)
    {
        in[i] = (u(gen) - 0.5) * (i % 5000 < 2500 ? 2.0 : 0.02);
        side[i] = u(gen) - 0.5;
    }
    int done = 0;
    for (int block = 0; done < total; ++block)
    {
        if (block % 4 == 0)
        {
            const double thr = 0.001 + u(gen);
            const double ratio = 1.0 + 19.0 * u(gen);
            const float attack = static_cast<float>(u(gen)), release = static_cast<float>(u(gen));
            const bool os = u(gen) < 0.5, analog = u(gen) < 0.5, external = u(gen) < 0.3;
            for (VCACompressor* m : {wide.get(), base.get()})
            {
                m->SetThreshold(thr);
                m->SetRatio(ratio);
                m->SetAttack(attack);
                m->SetRelease(release);
                if (m->stages.OversamplingOn() != os) m->SetOversampling(os);
                m->stages.SetAnalogEmulation(analog);
                m->stages.SetExternalSidechain(external);
            }
        }
        const int n = std::min(len(gen), total - done);
        std::vector<double> a(in.begin() + 2 * done, in.begin() + 2 * (done + n)), b = a;
        VCACompressor::UseWideGains(true);
        wide->Process(a.data(), n, side.data() + 2 * done);
        VCACompressor::UseWideGains(false);
        base->Process(b.data(), n, side.data() + 2 * done);
        for (int i = 0; i < 2 * n; ++i)
            ASSERT_TRUE(SameBits(a[i], b[i])) << "block " << block << " value " << i;
        ASSERT_TRUE(SameBits(wide->Gain(), base->Gain()));
        ASSERT_TRUE(SameBits(wide->stages.GainReduction(), base->stages.GainReduction()));
        done += n;
    }
}
