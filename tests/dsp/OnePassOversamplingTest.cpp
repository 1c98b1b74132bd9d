// The FET and opto models' oversampled path in one loop per base frame
// against the three passes it replaces (up-sampling into the buffer, the gain
// computer over the buffer, down-sampling), bit for bit: outputs, recursion
// state, gain reduction and the oversampler's filter memories, block after
// block, with the settings changed at random between blocks.

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

// Seeded stereo frames with the values that round or sign differently:
// exact zeros of both signs, tiny and large values, a stretch of silence.
std::vector<double> Frames(int frames, unsigned seed, double scale)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-scale, scale);
    std::vector<double> x(2 * static_cast<size_t>(frames));
    for (double& v : x)
        v = u(gen);
    for (size_t i = 0; i + 40 < x.size(); i += 389)
    {
        x[i] = 0.0;
        x[i + 3] = -0.0;
        x[i + 10] = 1e-300;
        x[i + 21] = -3.0 * scale;
    }
    for (size_t i = x.size() / 3; i < x.size() / 3 + 600 && i < x.size(); ++i)
        x[i] = -0.0;
    return x;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <class Filter> bool SameFilterState(const Filter& a, const Filter& b)
{
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < a.GetStageMax(); ++k)
            if (std::memcmp(&a.GetState(ch, k), &b.GetState(ch, k), sizeof(Dsp::SectionState)))
                return false;
    return true;
}

// One random change of the settings, drawn once and applied to both models.
struct Change
{
    double threshold, ratio;
    float attack, release, sidechainFilter;
    bool analog, external, oversampling;
};

Change Draw(std::mt19937& gen)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Change c;
    c.threshold = std::pow(10.0, -3.0 * u(gen));
    c.ratio = u(gen);
    c.attack = static_cast<float>(u(gen));
    c.release = static_cast<float>(u(gen));
    // The 20 Hz end (bypassed) a third of the time.
    c.sidechainFilter = u(gen) < 0.33 ? 0.0f : static_cast<float>(u(gen));
    c.analog = u(gen) < 0.5;
    c.external = u(gen) < 0.4;
    // Mostly on: this is the path under test; off and on again resumes from
    // the filters' memories.
    c.oversampling = u(gen) < 0.85;
    return c;
}

void Apply(VintageFETCompressor& m, const Change& c)
{
    m.SetThreshold(c.threshold);
    m.SetRatio(c.ratio);
    m.SetAttack(c.attack);
    m.SetRelease(c.release);
}

void Apply(VintageOptoCompressor& m, const Change& c)
{
    m.SetThreshold(c.threshold);
}

template <class Model> void ApplyCommon(Model& m, const Change& c)
{
    Apply(m, c);
    m.SetSidechainFilter(c.sidechainFilter);
    m.stages.SetAnalogEmulation(c.analog);
    m.stages.SetExternalSidechain(c.external);
    if (c.oversampling != m.stages.OversamplingOn()) m.SetOversampling(c.oversampling);
}

double Split(const VintageFETCompressor&)
{
    return 0.0;
}
double Split(const VintageOptoCompressor& m)
{
    return m.ReleaseSplit();
}

// The model under test (one pass per base frame) and its reference (the
// three passes), set up alike; the reference takes the drawn right-channel
// offset of the other, as each construction draws its own.
template <class Model> struct Pair
{
    std::unique_ptr<Model> onePass = std::make_unique<Model>();
    std::unique_ptr<Model> passes = std::make_unique<Model>();

    explicit Pair(double rate)
    {
        passes->stages.SetOnePassOversampling(false);
        passes->stages.SetRightChannelOffset(onePass->stages.RightChannelOffset());
        for (Model* m : {onePass.get(), passes.get()})
        {
            m->SetSampleRate(rate);
            m->SetOversampling(true);
            m->SetStereoFlag(true);
        }
    }

    void Set(const Change& c)
    {
        ApplyCommon(*onePass, c);
        ApplyCommon(*passes, c);
    }

    // Runs both over the same block and says where they first part, if they do.
    ::testing::AssertionResult Process(const double* in, const double* side, int frames)
    {
        std::vector<double> a(in, in + 2 * frames), b(a);
        onePass->Process(a.data(), frames, side);
        passes->Process(b.data(), frames, side);
        for (size_t i = 0; i < a.size(); ++i)
            if (!SameBits(a[i], b[i]))
                return ::testing::AssertionFailure()
                       << "value " << i << ": " << a[i] << " against " << b[i];
        const Model& p = *onePass;
        const Model& q = *passes;
        if (!SameBits(p.Gain(), q.Gain()) || !SameBits(p.Envelope(), q.Envelope()) ||
            !SameBits(Split(p), Split(q)) ||
            !SameBits(p.stages.GainReduction(), q.stages.GainReduction()))
            return ::testing::AssertionFailure() << "recursion state or gain reduction";
        const Oversampler& o = p.stages.oversampler;
        const Oversampler& r = q.stages.oversampler;
        if (!SameFilterState(o.mainUp, r.mainUp) ||
            !SameFilterState(o.sidechainUp, r.sidechainUp) || !SameFilterState(o.down, r.down))
            return ::testing::AssertionFailure() << "oversampler filter memories";
        return ::testing::AssertionSuccess();
    }
};

// Block sizes a host may send, the empty block and one longer than a model
// pass included.
const int kBlockSizes[] = {0, 1, 2, 3, 17, 256, 511, 512, 1000, 4096, 4100, 6000};

template <class Model> void RunRandomSession(double rate, unsigned seed)
{
    Pair<Model> pair(rate);
    // The path under test applies from the start: the up-sampling filters
    // begin with the stuffed zeros as their previous inputs.
    ASSERT_TRUE(pair.onePass->stages.oversampler.CanRunFused(true));

    const int total = 60000;
    const std::vector<double> main = Frames(total, seed, 1.2);
    const std::vector<double> side = Frames(total, seed + 1, 0.8);
    std::mt19937 gen(seed);
    std::uniform_int_distribution<size_t> pick(0, std::size(kBlockSizes) - 1);
    int done = 0;
    for (int block = 0; done < total; ++block)
    {
        if (block % 3 == 0) pair.Set(Draw(gen));
        const int n = std::min(kBlockSizes[pick(gen)], total - done);
        ASSERT_TRUE(pair.Process(main.data() + 2 * done, side.data() + 2 * done, n))
            << "block " << block << " of " << n << " frames at frame " << done;
        done += n;
    }
}

} // namespace

TEST(OnePassOversampling, FetMatchesThePassesUnderRandomSettingsAndBlockSizes)
{
    RunRandomSession<VintageFETCompressor>(44100.0, 3);
    RunRandomSession<VintageFETCompressor>(96000.0, 4);
}

TEST(OnePassOversampling, OptoMatchesThePassesUnderRandomSettingsAndBlockSizes)
{
    RunRandomSession<VintageOptoCompressor>(48000.0, 5);
    RunRandomSession<VintageOptoCompressor>(22050.0, 6);
}

template <class Model> void RunNonFiniteSession()
{
    // A NaN and an infinity mid-block: both paths reset the state and
    // silence the pass alike, and go on alike from there.
    Pair<Model> pair(48000.0);
    Change c{0.01, 0.7, 0.2f, 0.3f, 0.5f, true, false, true};
    pair.Set(c);
    std::vector<double> main = Frames(3000, 9, 1.0);
    main[2 * 700] = std::numeric_limits<double>::quiet_NaN();
    main[2 * 1900 + 1] = std::numeric_limits<double>::infinity();
    const std::vector<double> side = Frames(3000, 10, 1.0);
    for (int start : {0, 1000, 2000})
        ASSERT_TRUE(pair.Process(main.data() + 2 * start, side.data() + 2 * start, 1000)) << start;
    c.external = true;
    pair.Set(c);
    main[2 * 2500] = -std::numeric_limits<double>::infinity();
    ASSERT_TRUE(pair.Process(main.data() + 2 * 2000, side.data() + 2 * 2000, 1000));
}

TEST(OnePassOversampling, NonFiniteInputResetsBothPathsAlike)
{
    RunNonFiniteSession<VintageFETCompressor>();
    RunNonFiniteSession<VintageOptoCompressor>();
}

template <class Model> void RunAfterForeignFilterUse()
{
    // Running an up-sampling filter on other data leaves non-zero previous
    // inputs in its first section, which the one-pass loop does not assume:
    // that block takes the passes, which restore the stuffed zeros, and the
    // next ones the one loop again.
    Pair<Model> pair(44100.0);
    Change c{0.003, 0.9, 0.1f, 0.6f, 0.7f, false, true, true};
    pair.Set(c);
    std::vector<double> other = Frames(5, 12, 1.0);
    std::vector<double> otherCopy = other;
    pair.onePass->stages.oversampler.sidechainUp.Process(5, other.data());
    pair.passes->stages.oversampler.sidechainUp.Process(5, otherCopy.data());
    ASSERT_FALSE(pair.onePass->stages.oversampler.CanRunFused(true));

    const std::vector<double> main = Frames(2000, 13, 1.0);
    const std::vector<double> side = Frames(2000, 14, 1.0);
    ASSERT_TRUE(pair.Process(main.data(), side.data(), 700));
    ASSERT_TRUE(pair.onePass->stages.oversampler.CanRunFused(true));
    ASSERT_TRUE(pair.Process(main.data() + 1400, side.data() + 1400, 1300));
}

TEST(OnePassOversampling, FallsBackToThePassesAfterForeignFilterUse)
{
    RunAfterForeignFilterUse<VintageFETCompressor>();
    RunAfterForeignFilterUse<VintageOptoCompressor>();
}
