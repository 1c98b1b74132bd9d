// Recovery from non-finite input: after a block that poisons a model's state,
// the model must continue exactly as a freshly constructed model with the same
// settings would, and the poisoned block must come out silent. The fresh model
// is the independent truth; only what an instance draws or runs on its own
// (the right-channel offset, the analog stage's noise words) is copied over.

#include "dsp/VCACompressor.h"
#include "dsp/VintageFETCompressor.h"
#include "dsp/VintageOptoCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace
{
struct Settings
{
    bool oversampling;
    bool analog;
    bool external;
    bool sidechainFilter;
};

void Configure(VCACompressor& m, const Settings& s)
{
    m.SetSampleRate(44100);
    m.SetOversampling(s.oversampling);
    m.SetAttack(0.2f);
    m.SetRelease(0.1f);
    m.SetSidechainFilter(s.sidechainFilter ? 0.4f : 0.0f);
    m.SetThreshold(0.05);
    m.SetRatio(6.0);
    m.stages.SetAnalogEmulation(s.analog);
    m.stages.SetExternalSidechain(s.external);
    m.SetStereoFlag(true);
}

void Configure(VintageFETCompressor& m, const Settings& s)
{
    m.SetSampleRate(44100.0);
    m.SetOversampling(s.oversampling);
    m.SetAttack(0.3f);
    m.SetRelease(0.1f);
    m.SetSidechainFilter(s.sidechainFilter ? 0.4f : 0.0f);
    m.SetThreshold(0.1);
    m.SetRatio(0.6);
    m.stages.SetAnalogEmulation(s.analog);
    m.stages.SetExternalSidechain(s.external);
    m.SetStereoFlag(true);
}

void Configure(VintageOptoCompressor& m, const Settings& s)
{
    m.SetSampleRate(44100.0);
    m.SetOversampling(s.oversampling);
    m.SetSidechainFilter(s.sidechainFilter ? 0.4f : 0.0f);
    m.SetThreshold(0.1);
    m.stages.SetAnalogEmulation(s.analog);
    m.stages.SetExternalSidechain(s.external);
    m.SetStereoFlag(true);
}

constexpr int kBlock = 700;
constexpr int kPoisonedBlock = 3;
constexpr int kBlocks = 8;

// Seeded noise blocks for the main and the sidechain input.
struct Signal
{
    explicit Signal(unsigned seed)
    {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-0.8, 0.8);
        main.resize(2 * kBlock * kBlocks);
        side.resize(2 * kBlock * kBlocks);
        for (auto& v : main)
            v = u(rng);
        for (auto& v : side)
            v = u(rng);
    }
    double* Main(int block) { return main.data() + 2 * kBlock * block; }
    double* Side(int block) { return side.data() + 2 * kBlock * block; }
    std::vector<double> main, side;
};

// Runs the poisoned model and, from the block after the fault, a fresh one
// side by side; returns false (with a gtest failure) at the first difference.
template <class Model>
void ExpectRecovery(const Settings& s, double poison, bool intoSidechain, const char* what)
{
    SCOPED_TRACE(testing::Message()
                 << what << " os=" << s.oversampling << " analog=" << s.analog
                 << " ext=" << s.external << " hpf=" << s.sidechainFilter << " poison=" << poison);
    Signal in(42);
    // The poison lands mid-block on one channel only.
    (intoSidechain ? in.Side(kPoisonedBlock) : in.Main(kPoisonedBlock))[2 * 300 + 1] = poison;

    auto poisoned = std::make_unique<Model>();
    Configure(*poisoned, s);
    std::vector<double> a(2 * kBlock), b(2 * kBlock);
    for (int k = 0; k <= kPoisonedBlock; ++k)
    {
        std::memcpy(a.data(), in.Main(k), sizeof(double) * a.size());
        poisoned->Process(a.data(), kBlock, in.Side(k));
    }
    for (double v : a)
        ASSERT_EQ(v, 0.0) << "the poisoned block is silenced";
    ASSERT_TRUE(poisoned->IsStateFinite());

    auto fresh = std::make_unique<Model>();
    Configure(*fresh, s);
    fresh->stages.SetRightChannelOffset(poisoned->stages.RightChannelOffset());
    fresh->stages.analog.noise = poisoned->stages.analog.noise;
    for (int k = kPoisonedBlock + 1; k < kBlocks; ++k)
    {
        std::memcpy(a.data(), in.Main(k), sizeof(double) * a.size());
        std::memcpy(b.data(), in.Main(k), sizeof(double) * b.size());
        poisoned->Process(a.data(), kBlock, in.Side(k));
        fresh->Process(b.data(), kBlock, in.Side(k));
        ASSERT_EQ(0, std::memcmp(a.data(), b.data(), sizeof(double) * a.size())) << "block " << k;
    }
    // The later blocks did compress: the comparison is not between two
    // pass-throughs.
    EXPECT_LT(fresh->stages.GainReduction(), 0.9);
}

template <class Model> void ExpectRecoveryEverywhere(const char* what)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (int bits = 0; bits < 16; ++bits)
    {
        const Settings s{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
        ExpectRecovery<Model>(s, nan, s.external, what);
        ExpectRecovery<Model>(s, -inf, s.external, what);
    }
}
} // namespace

TEST(NonFiniteRecovery, EveryModelContinuesAsAFreshModelAfterNaNOrInfinity)
{
    ExpectRecoveryEverywhere<VCACompressor>("VCA");
    ExpectRecoveryEverywhere<VintageFETCompressor>("FET");
    ExpectRecoveryEverywhere<VintageOptoCompressor>("OPTO");
}

// A finite input whose square overflows: the VCA's mean square becomes
// infinite without any non-finite sample arriving; with analog emulation on,
// the saturator's powers overflow in every model.
TEST(NonFiniteRecovery, HugeFiniteInputThatOverflowsInsideIsRecoveredFrom)
{
    for (bool os : {false, true})
    {
        ExpectRecovery<VCACompressor>({os, false, false, false}, 1e300, false, "VCA");
        ExpectRecovery<VCACompressor>({os, false, true, true}, 1e300, true, "VCA sidechain");
        ExpectRecovery<VintageFETCompressor>({os, true, false, false}, 1e300, false, "FET");
        ExpectRecovery<VintageOptoCompressor>({os, true, false, false}, 1e300, false, "OPTO");
    }
}

// A huge envelope squares to infinity inside the FET curve (infinity over
// infinity): that is the top of the curve, full reduction, never a gain of 2.
TEST(NonFiniteRecovery, FetEnvelopeTooLargeToSquareGivesFullReduction)
{
    auto m = std::make_unique<VintageFETCompressor>();
    Configure(*m, {false, false, false, false});
    std::vector<double> x(2 * 64, 1e200);
    m->Process(x.data(), 64, nullptr);
    ASSERT_TRUE(m->IsStateFinite());
    EXPECT_EQ(m->stages.GainReduction(), 0.0);
    for (int i = 2; i < 2 * 64; ++i)
        EXPECT_EQ(x[i], 0.0) << i;
}

// A NaN in the sidechain input while the model listens to its own signal is
// never read and changes nothing.
TEST(NonFiniteRecovery, UnreadSidechainNaNLeavesTheOutputUnchanged)
{
    Signal in(7), clean(7);
    in.Side(0)[10] = std::numeric_limits<double>::quiet_NaN();
    auto a = std::make_unique<VintageOptoCompressor>();
    auto b = std::make_unique<VintageOptoCompressor>();
    Configure(*a, {true, false, false, true});
    Configure(*b, {true, false, false, true});
    a->Process(in.Main(0), kBlock, in.Side(0));
    b->Process(clean.Main(0), kBlock, clean.Side(0));
    EXPECT_EQ(0, std::memcmp(in.Main(0), clean.Main(0), sizeof(double) * 2 * kBlock));
}
