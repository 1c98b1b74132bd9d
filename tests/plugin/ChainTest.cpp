// The signal chain through the plug-in class, parameters set as a host sets
// them (normalised values).

#include "PluginHarness.h"

#include "dsp/Oversampler.h"
#include "dsp/analogue_block.h"

#include <cstring>
#include <random>

namespace
{
using P = BraskoKorvala;

double GainReductionMeter(Plugin& p)
{
    return p.canvas->LastMeters().at(4);
}
} // namespace

TEST(Chain, DefaultsPassTheInputThroughAnalogStageAndOversamplingOnly)
{
    Plugin p(44100.0);
    Audio a(3000);
    a.Sine(0, 1.0, 1000.0 / 44100);
    a.Sine(1, 0.7, 3000.0 / 44100);
    p.Process(a.in, a.out, 0, a.frames);
    EXPECT_EQ(GainReductionMeter(p), 1.0);

    // The same path built from the units: gain exactly 1, so only the right
    // channel's analog offset scales anything.
    auto analog = std::make_unique<analogue_block>();
    auto os = std::make_unique<Oversampler>();
    analog->SetSampleRate(3 * 44100, analogue_block::kVCA);
    os->Design(20000.0 / (3.0 * 44100));
    std::vector<double> m(2 * a.frames);
    for (int i = 0; i < a.frames; ++i)
    {
        m[2 * i] = a.in[0][i] + 1e-24;
        m[2 * i + 1] = a.in[1][i] + 1e-24;
    }
    analog->Process(m.data(), a.frames);
    for (double& v : m)
        v += 1e-24;
    os->UpsampleMain(m.data(), a.frames);
    const double offset = p.fx->VCA().stages.RightChannelOffset();
    double* big = os->MainBuffer();
    for (int i = 0; i < 3 * a.frames; ++i)
        big[2 * i + 1] *= 1.0 + offset;
    os->Downsample(m.data(), a.frames);
    for (int i = 0; i < a.frames; ++i)
    {
        ASSERT_EQ(a.out[0][i], m[2 * i]) << i;
        ASSERT_EQ(a.out[1][i], m[2 * i + 1]) << i;
    }
}

TEST(Chain, RatioOneGivesUnityGainOnVcaAndFet)
{
    for (int model : {P::kModelVCA, P::kModelFET})
    {
        Plugin p;
        p.Set(P::kModelType, model / 2.0);
        p.Set(P::kThreshold, 0.0); // -60 dB
        p.Set(P::kRatio, 0.0);     // 1:1
        Audio a(4000);
        a.Sine(0, 1.0, 0.02);
        a.Sine(1, 1.0, 0.02);
        p.Process(a.in, a.out, 0, a.frames);
        EXPECT_EQ(GainReductionMeter(p), 1.0) << model;
    }
}

TEST(Chain, VcaThresholdAtZeroDbLeavesFullScaleSineAloneAtMinusSixtyCompresses)
{
    for (double thresholdKnob : {1.0, 0.0})
    {
        Plugin p;
        p.Set(P::kRatio, 1.0); // 20:1
        p.Set(P::kThreshold, thresholdKnob);
        Audio a(48000);
        a.Sine(0, 1.0, 1000.0 / 48000);
        a.Sine(1, 1.0, 1000.0 / 48000);
        p.Process(a.in, a.out, 0, a.frames);
        if (thresholdKnob == 1.0)
            EXPECT_EQ(GainReductionMeter(p), 1.0);
        else // level 0.997 against 0.001 at 20:1: ((0.997 - 0.001) / 20 + 0.001) / 0.997
            EXPECT_NEAR(GainReductionMeter(p), 0.051, 0.002);
    }
}

TEST(Chain, MetersReadSignedPeaksBeforeTheOffsetAndSmallestGain)
{
    Plugin p;
    Audio a(1000);
    for (int i = 0; i < a.frames; ++i)
        a.in[1][i] = -0.5; // left silent, right only negative
    p.Process(a.in, a.out, 0, a.frames);
    std::vector<double> m = p.canvas->LastMeters();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0], 0.0);
    EXPECT_EQ(m[1], 0.0);
    EXPECT_LT(m[2], 1e-5);
    EXPECT_EQ(m[4], 1.0);
    EXPECT_GE(p.canvas->dirtyCount, 1);

    // Silence: only the analog noise comes out (oversampling off, so no
    // filter rings), the same on both channels but for the right channel's
    // analog gain offset.
    Plugin q;
    q.Set(P::kOversampling, 0.0);
    Audio s(4000);
    q.Process(s.in, s.out, 0, s.frames);
    const double offset = q.fx->VCA().stages.RightChannelOffset();
    for (int i = 0; i < s.frames; ++i)
    {
        ASSERT_LT(std::fabs(s.out[0][i]), 1e-5);
        ASSERT_EQ(s.out[1][i], (1.0 + offset) * s.out[0][i]);
    }

    // An empty block still hands over the five values.
    const size_t before = q.canvas->values.size();
    q.Process(s.in, s.out, 0, 0);
    ASSERT_EQ(q.canvas->values.size(), before + 5);
    m = q.canvas->LastMeters();
    EXPECT_EQ(m, (std::vector<double>{0.0, 0.0, 0.0, 0.0, 1.0}));
}

TEST(Chain, GainReductionIsTheSmallestGainOverALongBlock)
{
    // 10000 frames go to the model in pieces; the meter is the minimum over
    // the whole block, equal to the minimum over small blocks.
    Plugin whole(48000.0, 3), pieces(48000.0, 3);
    for (Plugin* p : {&whole, &pieces})
    {
        p->Set(P::kThreshold, 0.3);
        p->Set(P::kRatio, 0.5);
        p->Set(P::kAnalogEmulation, 0.0);
    }
    Audio a(10000);
    for (int i = 0; i < a.frames; ++i)
        a.in[0][i] = a.in[1][i] = (i > 6000 && i < 6500 ? 1.0 : 0.1) * std::sin(0.05 * i);
    whole.Process(a.in, a.out, 0, a.frames);
    double smallest = 1.0;
    for (int off = 0; off < a.frames; off += 500)
    {
        pieces.Process(a.in, a.out, off, 500);
        smallest = std::min(smallest, GainReductionMeter(pieces));
    }
    EXPECT_LT(smallest, 0.5);
    EXPECT_EQ(GainReductionMeter(whole), smallest);
}

TEST(Chain, ExternalSidechainIgnoresInputGainAndMainLevel)
{
    for (int model : {P::kModelVCA, P::kModelFET, P::kModelOpto})
    {
        double meter[2];
        for (int run = 0; run < 2; ++run)
        {
            Plugin p;
            p.Set(P::kModelType, model / 2.0);
            p.Set(P::kThreshold, 0.2);
            p.Set(P::kRatio, 0.7);
            p.Set(P::kAnalogEmulation, 0.0);
            p.Set(P::kExternalSidechain, 1.0);
            p.Set(P::kInputGain, run ? 1.0 : 0.3);
            Audio a(8000);
            a.Sine(0, run ? 0.05 : 0.9, 0.01);
            a.Sine(1, run ? 0.05 : 0.9, 0.013);
            a.Sine(2, 0.8, 0.004);
            a.Sine(3, 0.8, 0.004);
            p.Process(a.in, a.out, 0, a.frames);
            meter[run] = GainReductionMeter(p);
        }
        EXPECT_LT(meter[0], 0.95) << model;
        EXPECT_EQ(meter[0], meter[1]) << model;
    }
}

TEST(Chain, SidechainFilterBypassesAtTwentyHertzAndHighPassesAtFiveHundred)
{
    double meter[2];
    for (int hp = 0; hp < 2; ++hp)
    {
        Plugin p;
        p.Set(P::kThreshold, 0.83); // linear 0.31
        p.Set(P::kRatio, 1.0);
        p.Set(P::kSidechainFilter, hp ? 1.0 : 0.0);
        Audio a(48000);
        a.Sine(0, 0.8, 50.0 / 48000);
        a.Sine(1, 0.8, 50.0 / 48000);
        p.Process(a.in, a.out, 0, a.frames);
        meter[hp] = GainReductionMeter(p);
    }
    EXPECT_FALSE(Plugin().fx->VCA().stages.sidechainFilter.IsOn());
    // Unfiltered the 50 Hz tone (level about 0.8) is well above the
    // threshold; 15 dB below a 300 Hz corner it stays under it.
    EXPECT_LT(meter[0], 0.6);
    EXPECT_EQ(meter[1], 1.0);
}

TEST(Chain, OutputIsIndependentOfHostBlockSize)
{
    const int n = 20000;
    Audio a(n);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int c = 0; c < 4; ++c)
        for (double& v : a.in[c])
            v = u(rng);
    for (int model : {P::kModelVCA, P::kModelFET, P::kModelOpto})
    {
        std::vector<double> outs[3][2];
        for (int way = 0; way < 3; ++way)
        {
            Plugin p(48000.0, 9);
            p.Set(P::kModelType, model / 2.0);
            p.Set(P::kThreshold, 0.4);
            p.Set(P::kRatio, 0.6);
            p.Set(P::kSidechainFilter, 0.5);
            Audio b = a;
            if (way == 0)
                p.Process(b.in, b.out, 0, n);
            else if (way == 1)
                for (int i = 0; i < n; ++i)
                    p.Process(b.in, b.out, i, 1);
            else
            {
                std::uniform_int_distribution<int> len(1, 8192);
                for (int done = 0; done < n;)
                {
                    const int k = std::min(len(rng), n - done);
                    p.Process(b.in, b.out, done, k);
                    done += k;
                }
            }
            outs[way][0] = b.out[0];
            outs[way][1] = b.out[1];
        }
        for (int way = 1; way < 3; ++way)
            for (int c = 0; c < 2; ++c)
                EXPECT_EQ(0,
                          std::memcmp(outs[0][c].data(), outs[way][c].data(), sizeof(double) * n))
                    << "model " << model << " split " << way << " channel " << c;
    }
}

TEST(Chain, OutputStaysFiniteAtEveryParameterExtreme)
{
    std::mt19937 rng(5);
    Audio a(600);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (int c = 0; c < 4; ++c)
        for (double& v : a.in[c])
            v = u(rng);
    Plugin p;
    for (int trial = 0; trial < 120; ++trial)
    {
        for (int idx = 0; idx < P::kNumParams; ++idx)
        {
            const bool all = trial < 2;
            p.Set(idx, all ? trial : double(rng() & 1));
        }
        p.Process(a.in, a.out, 0, a.frames);
        for (int c = 0; c < 2; ++c)
            for (double v : a.out[c])
                ASSERT_TRUE(std::isfinite(v)) << "trial " << trial;
        ASSERT_TRUE(std::isfinite(GainReductionMeter(p)));
    }
}

TEST(Chain, UnusableSampleRatesAreIgnoredAndLowRatesStayFinite)
{
    Plugin p(8000.0);
    EXPECT_EQ(p.fx->IntegerSampleRate(), 8000);
    for (double bad : {0.0, -48000.0, std::nan(""), HUGE_VAL, 0.5})
    {
        p.fx->SetSampleRate(bad);
        p.fx->OnReset();
        EXPECT_EQ(p.fx->IntegerSampleRate(), 8000) << bad;
    }
    p.Set(P::kThreshold, 0.0);
    p.Set(P::kRatio, 1.0);
    Audio a(8000);
    a.Sine(0, 1.0, 0.3);
    a.Sine(1, 1.0, 0.1);
    p.Process(a.in, a.out, 0, a.frames);
    for (int c = 0; c < 2; ++c)
        for (double v : a.out[c])
            ASSERT_TRUE(std::isfinite(v));
    EXPECT_LT(GainReductionMeter(p), 0.5);
}

TEST(Chain, BlocksBeforeTheFirstParameterPassKeepGainOne)
{
    for (int model : {P::kModelVCA, P::kModelFET, P::kModelOpto})
    {
        Plugin p(48000.0, 1, false);
        p.fx->GetParam(P::kModelType)->SetNormalized(model / 2.0);
        Audio a(2000); // silence, then a loud tone
        for (int i = 1000; i < 2000; ++i)
            a.in[0][i] = a.in[1][i] = std::sin(0.1 * i);
        p.Process(a.in, a.out, 0, a.frames);
        for (int c = 0; c < 2; ++c)
            for (double v : a.out[c])
                ASSERT_TRUE(std::isfinite(v)) << model;
        EXPECT_EQ(GainReductionMeter(p), 1.0) << model;
    }
}
