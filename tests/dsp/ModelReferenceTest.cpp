// The three models against a naive reference of their per-frame recursions,
// written here from the algorithm's description (one branchy loop per model,
// no shared code with dsp/ besides the filter library), compared bit for bit
// on seeded random audio for every combination of the switches.

#include "dsp/VCACompressor.h"
#include "dsp/VintageFETCompressor.h"
#include "dsp/VintageOptoCompressor.h"
#include "dsp/filters/Dsp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

// M_PI is not standard C++ (mingw leaves it out in strict mode).
static constexpr double kPi = 3.14159265358979323846;

namespace
{

enum Kind
{
    kVca = 0,
    kFet = 1,
    kOpto = 2
};

struct Settings
{
    Kind kind;
    int rate;
    bool oversampling;
    bool analog;
    bool external;
    bool stereo;
    float sidechainKnob;
    // Direct settings: VCA threshold/ratio are linear level and ratio, FET
    // threshold factor and ratio amount, opto threshold factor.
    double threshold;
    double ratio;
    float attackKnob;
    float releaseKnob;
};

class NaiveModel
{
  public:
    NaiveModel(const Settings& s, double rightOffset) : s_(s), offset_(rightOffset)
    {
        const int k = s.oversampling ? 3 : 1;
        const int procRate = k * s.rate;

        // Analog stage, set up last for the processing rate.
        drive_ = s.kind == kVca ? 0.005 : 0.5;
        cheb_.Setup(1.0, 0.064, 0.5);
        const double f = std::exp(-2.0 * kPi * (double)(15.0f / (float)procRate));
        dcB0_ = (1.0 + f) / 2.0;
        dcB1_ = -(1.0 + f) / 2.0;
        dcA1_ = f;

        const double lpCut = 20000.0 / (3.0 * s.rate);
        upMain_.Setup(1.0, lpCut);
        upSide_.Setup(1.0, lpCut);
        down_.Setup(1.0, lpCut);

        scHz_ = (double)s.sidechainKnob * 300.0;
        // The VCA model's last high-pass design (in SetOversampling) uses the
        // factor in force; the other two keep the factor-3 design.
        const double hpDiv = s.kind == kVca ? (double)k * s.rate : 3.0 * s.rate;
        if (scHz_ > 0) hp_.Setup(1.0, scHz_ / hpDiv);

        const double r = procRate;
        if (s.kind == kVca)
        {
            const float aMs = s.attackKnob * 29.0f + 1.0f;
            const float rMs = s.releaseKnob * 3900.0f + 100.0f;
            att_ = std::exp(-1.0 / (r * (double)aMs / 1000.0));
            rel_ = std::exp(-1.0 / (r * (double)rMs / 1000.0));
            rms_ = std::exp(-1.0 / (s.rate * 0.0825 * k));
        }
        else if (s.kind == kFet)
        {
            const double aMs = (double)s.attackKnob * 0.78 * 1.5 + 0.03;
            const double rMs = (double)(s.releaseKnob * 1150.0f + 50.0f) * 1.3;
            att_ = std::exp(-1.0 / (r * aMs / 1000.0));
            rel_ = std::exp(-1.0 / (r * rMs / 1000.0));
        }
        else
        {
            att_ = (double)expf((float)(-1.0 / (r * 0.01)));
            fast_ = (double)expf((float)(-1.0 / (r * 0.06)));
            slow_ = (double)expf((float)(-1.0 / (r * 0.6)));
            shelf_.DesignHighShelf(1000.0 / r, 6.0, 0.5);
        }
    }

    void Process(double* m, int n, const double* sc)
    {
        if (s_.analog) Analog(m, n);
        if (s_.kind != kFet)
            for (int i = 0; i < 2 * n; ++i)
                m[i] += 1e-24;
        minGain = 1.0;
        if (s_.oversampling)
        {
            std::vector<double> big(6 * n), side(6 * n, 0.0);
            if (s_.external) Stuff(sc, n, side, upSide_);
            Stuff(m, n, big, upMain_);
            Detect(big.data(), 3 * n, side.data());
            down_.Process(3 * n, big.data());
            for (int j = 0; j < n; ++j)
            {
                m[2 * j] = big[6 * j];
                m[2 * j + 1] = big[6 * j + 1];
            }
        }
        else
        {
            Detect(m, n, sc);
        }
    }

    double minGain = 1.0;

  private:
    void Analog(double* m, int n)
    {
        std::vector<double> copy(m, m + 2 * n);
        cheb_.Process(n, copy.data());
        for (int i = 0; i < 2 * n; ++i)
        {
            const double b = copy[i];
            const double b2 = b * b, b3 = b2 * b, b4 = b3 * b, b5 = b4 * b, b6 = b5 * b;
            m[i] = m[i] + drive_ * (0.5 * b2 + 0.25 * b4 + 0.125 * b6) - 0.15 * b3 - 0.075 * b5;
        }
        for (int i = 0; i < n; ++i)
        {
            for (int c = 0; c < 2; ++c)
            {
                const double x = m[2 * i + c] + 1e-23;
                const double y = dcB0_ * x + dcB1_ * dcX1_[c] + dcA1_ * dcY1_[c];
                dcX1_[c] = x;
                dcY1_[c] = y;
                m[2 * i + c] = y;
            }
            const int32_t w = (int32_t)n1_;
            const uint32_t oldS1 = n1_;
            n0_ = n0_ ^ n1_;
            n1_ = n0_ + oldS1;
            const double v = 4.656612873077393e-10 * 1e-5 * w;
            m[2 * i] += v;
            m[2 * i + 1] += v;
        }
    }

    static void Stuff(const double* in, int n, std::vector<double>& out,
                      Dsp::BesselLowPass<6, 2>& filter)
    {
        for (int i = 0; i < n; ++i)
        {
            out[6 * i] = 3 * in[2 * i];
            out[6 * i + 1] = 3 * in[2 * i + 1];
            for (int z = 2; z < 6; ++z)
                out[6 * i + z] = 0.0;
        }
        filter.Process(3 * n, out.data());
    }

    void Detect(double* x, int n, const double* y)
    {
        const double fetDrive = s_.threshold * s_.ratio * 400;
        const double drive = s_.threshold * 450;
        for (int i = 0; i < n; ++i)
        {
            const double L = x[2 * i];
            const double R = x[2 * i + 1];
            const double g = gain_;
            x[2 * i] = g * L;
            if (s_.analog && s_.stereo)
                x[2 * i + 1] = (g + offset_) * R;
            else
                x[2 * i + 1] = g * R;

            double d;
            if (s_.kind == kVca)
            {
                d = s_.external ? y[2 * i] + y[2 * i + 1] : L + R;
                d = d * 0.5;
            }
            else
            {
                d = x[2 * i] + x[2 * i + 1];
                if (s_.external) d = (y[2 * i] + y[2 * i + 1]) * 0.5;
            }
            if (scHz_ > 0) d = hp_.ProcessSample(d);

            if (s_.kind == kVca)
            {
                ms_ = d * d * (1 - rms_) + rms_ * ms_;
                const double level = std::sqrt(ms_) * 1.41;
                const double a = level > env_ ? att_ : rel_;
                env_ = (1 - a) * level + a * env_;
                double over = env_ - s_.threshold;
                if (over <= 0) over = 0;
                gain_ = (over / s_.ratio + s_.threshold) / (s_.threshold + over);
            }
            else
            {
                double level;
                double a;
                if (s_.kind == kFet)
                {
                    level = std::fabs(fetDrive * d);
                    a = level > env_ ? att_ : rel_;
                }
                else
                {
                    d = shelf_.ProcessSample(d);
                    level = std::fabs(d * drive);
                    if (level > env_)
                    {
                        a = att_;
                        phase_ = true;
                    }
                    else
                    {
                        if (phase_) split_ = env_ * 0.9;
                        a = env_ > split_ ? fast_ : slow_;
                        phase_ = false;
                    }
                }
                env_ = (1 - a) * level + a * env_;
                const double v = s_.kind == kFet ? 2 * env_ * env_ : env_;
                double o = v / (0.37011709966 * (v * v) + 1.1605589854) + 0.1071000671 * v;
                if (o > 1) o = 1;
                if (o < -1) o = -1;
                gain_ = 1 - o;
            }
            if (gain_ < minGain) minGain = gain_;
        }
    }

    Settings s_;
    double offset_;
    double drive_ = 0, dcB0_ = 0, dcB1_ = 0, dcA1_ = 0;
    double dcX1_[2] = {0, 0}, dcY1_[2] = {0, 0};
    uint32_t n0_ = 0x67452301u, n1_ = 0xEFCDAB89u;
    Dsp::ChebyILowPass<4, 2> cheb_;
    Dsp::BesselLowPass<6, 2> upMain_, upSide_;
    Dsp::BesselLowPass<4, 2> down_;
    Dsp::ButterHighPass<1, 1> hp_;
    Dsp::SingleSectionFilter shelf_;
    double scHz_ = 0;
    double att_ = 0, rel_ = 0, rms_ = 0, fast_ = 0, slow_ = 0;
    double gain_ = 1, env_ = 0, ms_ = 0, split_ = 0;
    bool phase_ = false;
};

// Drives a production model with the same settings, in the same order the
// reference assumes (oversampling switched last). VCA and FET take every
// knob; the opto model has no attack, release or ratio.
template <class Model> void Configure(Model& m, const Settings& s)
{
    m.SetSampleRate(s.rate);
    m.SetAttack(s.attackKnob);
    m.SetRelease(s.releaseKnob);
    m.SetSidechainFilter(s.sidechainKnob);
    m.SetThreshold(s.threshold);
    m.SetRatio(s.ratio);
    m.stages.SetAnalogEmulation(s.analog);
    m.stages.SetExternalSidechain(s.external);
    m.SetStereoFlag(s.stereo);
    m.SetOversampling(s.oversampling);
}

template <> void Configure(VintageOptoCompressor& m, const Settings& s)
{
    m.SetSampleRate(s.rate);
    m.SetSidechainFilter(s.sidechainKnob);
    m.SetThreshold(s.threshold);
    m.stages.SetAnalogEmulation(s.analog);
    m.stages.SetExternalSidechain(s.external);
    m.SetStereoFlag(s.stereo);
    m.SetOversampling(s.oversampling);
}

// Program-like test signal: a swelling low tone, bursts of noise and
// silences, so that attack, both releases and the knee are all exercised.
std::vector<double> TestSignal(int frames, unsigned seed, double level)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> v(2 * frames);
    for (int i = 0; i < frames; ++i)
    {
        const double swell = 0.5 + 0.5 * std::sin(2 * kPi * i / 3000.0);
        const bool silent = (i / 1500) % 4 == 3;
        const double tone = std::sin(2 * kPi * 220.0 * i / 44100.0);
        v[2 * i] = silent ? 0.0 : level * swell * (0.6 * tone + 0.4 * u(rng));
        v[2 * i + 1] = silent ? 0.0 : level * swell * (0.5 * tone + 0.5 * u(rng));
    }
    return v;
}

template <class Model>
void RunInRandomBlocks(Model& m, std::vector<double>& x, const std::vector<double>& sc,
                       unsigned seed, double* minGain)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> len(1, 700);
    const int frames = (int)x.size() / 2;
    *minGain = 1.0;
    for (int done = 0; done < frames;)
    {
        const int n = std::min(len(rng), frames - done);
        m.Process(x.data() + 2 * done, n, sc.data() + 2 * done);
        *minGain = std::min(*minGain, m.stages.GainReduction());
        done += n;
    }
}

int FirstMismatch(const std::vector<double>& a, const std::vector<double>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return (int)i;
    return -1;
}

template <class Model> void CompareAllSwitchCombinations(Kind kind, double thr, double ratio)
{
    const int frames = 6000;
    for (int mask = 0; mask < 32; ++mask)
    {
        Settings s{kind,
                   44100,
                   (mask & 1) != 0,
                   (mask & 2) != 0,
                   (mask & 4) != 0,
                   (mask & 8) != 0,
                   (mask & 16) ? 0.7f : 0.0f,
                   thr,
                   ratio,
                   0.3f,
                   0.2f};
        auto model = std::make_unique<Model>();
        Configure(*model, s);
        NaiveModel ref(s, model->stages.RightChannelOffset());

        std::vector<double> x = TestSignal(frames, 11u + mask, 0.9);
        const std::vector<double> sc = TestSignal(frames, 99u + mask, 0.7);
        std::vector<double> expected = x;
        double minGain = 0;
        RunInRandomBlocks(*model, x, sc, 5u + mask, &minGain);

        // The reference in one pass, its minimum gain over the whole signal.
        ref.Process(expected.data(), frames, sc.data());

        SCOPED_TRACE(::testing::Message() << "model " << kind << " switches " << mask);
        const int at = FirstMismatch(x, expected);
        EXPECT_EQ(at, -1) << "first differing value " << at << ": " << x[std::max(at, 0)] << " vs "
                          << expected[std::max(at, 0)];
        // The test signal must really compress, or the comparison proves little.
        EXPECT_LT(ref.minGain, 0.9);
        // The smallest gain over the blocks is the smallest over the signal.
        EXPECT_EQ(minGain, ref.minGain);
    }
}

} // namespace

TEST(ModelReference, VcaMatchesNaiveRecursionBitForBit)
{
    CompareAllSwitchCombinations<VCACompressor>(kVca, 0.05, 4.0);
}

TEST(ModelReference, FetMatchesNaiveRecursionBitForBit)
{
    CompareAllSwitchCombinations<VintageFETCompressor>(kFet, 0.03, 0.6);
}

TEST(ModelReference, OptoMatchesNaiveRecursionBitForBit)
{
    CompareAllSwitchCombinations<VintageOptoCompressor>(kOpto, 0.01, 0.0);
}
