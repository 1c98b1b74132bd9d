#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace FilterTest;

namespace
{

// The four filter types the plug-in runs, each with two valid designs.
struct Bessel6
{
    using Filter = Dsp::BesselLowPass<6, 2>;
    static bool Design(Filter& f, bool second) { return f.Setup(1.0, second ? 0.1 : 1.0 / 6); }
};
struct Bessel4
{
    using Filter = Dsp::BesselLowPass<4, 2>;
    static bool Design(Filter& f, bool second) { return f.Setup(1.0, second ? 0.3 : 0.15); }
};
struct Cheby4
{
    using Filter = Dsp::ChebyILowPass<4, 2>;
    static bool Design(Filter& f, bool second)
    {
        return f.Setup(1.0, second ? 0.2 : 0.064, second ? 1.0 : 0.5);
    }
};
struct Butter1
{
    using Filter = Dsp::ButterHighPass<1, 1>;
    static bool Design(Filter& f, bool second) { return f.Setup(1.0, second ? 0.02 : 0.001); }
};

template <class T> class FilterProcessing : public ::testing::Test
{
  protected:
    using Filter = typename T::Filter;
    static constexpr int kChannels = Filter::kChannels;

    static Filter Designed(bool second = false)
    {
        Filter f;
        EXPECT_TRUE(T::Design(f, second));
        return f;
    }

    // Runs `input` through the chosen path in blocks of `block` frames, with
    // an empty call before every block.
    template <class Run>
    static std::vector<double> InBlocks(std::vector<double> buf, int block, Run run)
    {
        const int frames = int(buf.size()) / kChannels;
        for (int f = 0; f < frames; f += block)
        {
            run(0, buf.data() + f * kChannels);
            run(std::min(block, frames - f), buf.data() + f * kChannels);
        }
        return buf;
    }

    std::vector<double> NaiveReference(const Filter& f, const std::vector<double>& in)
    {
        std::vector<double> out(in.size());
        for (int c = 0; c < kChannels; ++c)
        {
            const std::vector<double> y = NaiveSections(StagesOf(f), Channel(in, kChannels, c));
            for (std::size_t n = 0; n < y.size(); ++n)
                out[n * kChannels + c] = y[n];
        }
        return out;
    }
};

using FilterTypes = ::testing::Types<Bessel6, Bessel4, Cheby4, Butter1>;
TYPED_TEST_SUITE(FilterProcessing, FilterTypes);

TYPED_TEST(FilterProcessing, EveryPathAndBlockSizeMatchesNaiveRecursionBitForBit)
{
    using Filter = typename TestFixture::Filter;
    const int ch = TestFixture::kChannels;
    const std::vector<double> in = Noise(9001 * ch, 7);
    const Filter fresh = TestFixture::Designed();
    const std::vector<double> expected = this->NaiveReference(fresh, in);

    for (int block : {1, 7, 64, 4096})
    {
        Filter general = fresh, dispatched = fresh, twoChannel = fresh;
        EXPECT_TRUE(
            SameBits(TestFixture::InBlocks(in, block,
                                           [&](int n, double* p) { general.ProcessGeneral(n, p); }),
                     expected))
            << "general, block " << block;
        EXPECT_TRUE(SameBits(
            TestFixture::InBlocks(in, block, [&](int n, double* p) { dispatched.Process(n, p); }),
            expected))
            << "dispatched, block " << block;
        if (ch == 2)
        {
            EXPECT_TRUE(SameBits(TestFixture::InBlocks(in, block,
                                                       [&](int n, double* p)
                                                       { twoChannel.ProcessTwoChannel(n, p); }),
                                 expected))
                << "two-channel, block " << block;
        }
    }
}

TYPED_TEST(FilterProcessing, EmptyBlockChangesNothing)
{
    auto f = TestFixture::Designed();
    auto g = f;
    std::vector<double> buf = Noise(64, 3);
    const std::vector<double> before = buf;
    f.Process(0, buf.data());
    f.ProcessGeneral(0, buf.data());
    EXPECT_TRUE(SameBits(buf, before));
    std::vector<double> a = Noise(256, 4), b = a;
    f.Process(128 / TestFixture::kChannels, a.data());
    g.Process(128 / TestFixture::kChannels, b.data());
    EXPECT_TRUE(SameBits(a, b)) << "state untouched by the empty call";
}

TYPED_TEST(FilterProcessing, SkippedDoublesAreUntouchedAndChannelsUnchanged)
{
    const int ch = TestFixture::kChannels;
    const int frames = 500;
    const std::vector<double> packed = Noise(frames * ch, 11);
    std::vector<double> expected = packed;
    auto reference = TestFixture::Designed();
    reference.ProcessGeneral(frames, expected.data());

    for (int path = 0; path < 2; ++path)
    {
        auto f = TestFixture::Designed();
        std::vector<double> spaced(frames * (ch + 1));
        for (int i = 0; i < frames; ++i)
        {
            for (int c = 0; c < ch; ++c)
                spaced[i * (ch + 1) + c] = packed[i * ch + c];
            spaced[i * (ch + 1) + ch] = 1000.0 + i;
        }
        if (path == 0)
            f.ProcessGeneral(frames, spaced.data(), 1);
        else
            f.Process(frames, spaced.data(), 1);
        for (int i = 0; i < frames; ++i)
        {
            ASSERT_EQ(spaced[i * (ch + 1) + ch], 1000.0 + i) << "frame " << i;
            for (int c = 0; c < ch; ++c)
                ASSERT_EQ(spaced[i * (ch + 1) + c], expected[i * ch + c]);
        }
    }
}

TYPED_TEST(FilterProcessing, NeverDesignedFilterOutputsZeros)
{
    typename TestFixture::Filter f;
    std::vector<double> buf = Noise(300, 5);
    f.Process(int(buf.size()) / TestFixture::kChannels, buf.data());
    for (double v : buf)
        ASSERT_EQ(v, 0.0);
}

TYPED_TEST(FilterProcessing, RedesignKeepsStateSoTheNewCoefficientsContinueTheSignal)
{
    const int ch = TestFixture::kChannels;
    const std::size_t frames = 3000, switchAt = 1234;
    const std::vector<double> in = Noise(frames * ch, 21);
    auto f = TestFixture::Designed(false);
    const std::vector<Dsp::Stage> first = StagesOf(f);
    const std::vector<Dsp::Stage> second = StagesOf(TestFixture::Designed(true));

    std::vector<double> buf = in;
    f.Process(int(switchAt), buf.data());
    ASSERT_TRUE(TypeParam::Design(f, true));
    f.Process(int(frames - switchAt), buf.data() + switchAt * ch);

    for (int c = 0; c < ch; ++c)
        EXPECT_TRUE(SameBits(Channel(buf, ch, c),
                             NaiveSections(first, Channel(in, ch, c), switchAt, &second)))
            << "channel " << c;
}

TYPED_TEST(FilterProcessing, ResetStateRecoversFromNonFiniteInput)
{
    const int ch = TestFixture::kChannels;
    auto f = TestFixture::Designed();
    std::vector<double> poison(16 * ch, std::numeric_limits<double>::quiet_NaN());
    f.Process(16, poison.data());
    f.ResetState();
    for (int c = 0; c < ch; ++c)
        for (int k = 0; k < f.GetStageMax(); ++k)
        {
            const Dsp::SectionState& s = f.GetState(c, k);
            EXPECT_TRUE(s.x1 == 0 && s.x2 == 0 && s.y1 == 0 && s.y2 == 0);
        }
    std::vector<double> a = Noise(400 * ch, 8), b = a;
    f.Process(400, a.data());
    auto fresh = TestFixture::Designed();
    fresh.Process(400, b.data());
    EXPECT_TRUE(SameBits(a, b));
}

TYPED_TEST(FilterProcessing, CopiesAreIndependentFilters)
{
    const int ch = TestFixture::kChannels;
    auto original = TestFixture::Designed();
    std::vector<double> warm = Noise(100 * ch, 9);
    original.Process(100, warm.data());

    auto copy = original;
    std::vector<double> a = Noise(200 * ch, 10), b = a;
    original.Process(200, a.data());
    copy.Process(200, b.data());
    EXPECT_TRUE(SameBits(a, b)) << "the copy carries coefficients and state";

    auto assigned = TestFixture::Designed(true);
    assigned = original;
    ASSERT_TRUE(TypeParam::Design(copy, true));
    EXPECT_TRUE(std::memcmp(original.GetStages(), assigned.GetStages(),
                            sizeof(Dsp::Stage) * original.GetStageMax()) == 0)
        << "redesigning the copy leaves the original alone";
    std::vector<double> c = Noise(50 * ch, 12), d = c;
    original.Process(50, c.data());
    assigned.Process(50, d.data());
    EXPECT_TRUE(SameBits(c, d));
}

} // namespace

TEST(FilterProcessingOneChannel, ProcessSampleEqualsProcess)
{
    Dsp::ButterHighPass<1, 1> a, b;
    ASSERT_TRUE(a.Setup(1.0, 0.003));
    ASSERT_TRUE(b.Setup(1.0, 0.003));
    std::vector<double> in = Noise(5000, 13), out = in;
    b.Process(int(out.size()), out.data());
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(a.ProcessSample(in[i]), out[i]) << i;
}

TEST(FilterProcessingOneChannel, CpuFlagsAreReadAndStable)
{
    const Dsp::CpuFeatures now = Dsp::CpuFeatures::Read();
    EXPECT_EQ(now.sse3, Dsp::CpuFeatures::Get().sse3);
    EXPECT_EQ(Dsp::CascadeFilter::HasTwoChannelPath(), now.sse3);
#if defined(__x86_64__)
    EXPECT_TRUE(now.sse2) << "baseline of x86-64";
    EXPECT_TRUE(now.sse && now.mmx && now.fxsr);
#endif
}
