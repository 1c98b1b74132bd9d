#include "FloorEngineCheck.h"

#include "FloorFilters.h"
#include "FloorModels.h"

#include "dsp/VCACompressor.h"
#include "dsp/VintageFETCompressor.h"
#include "dsp/filters/BesselLowPass.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace floorbench;

namespace
{

constexpr double kRate = 48000.0;
constexpr size_t kFrames = 12000;

// A deterministic stereo test signal: tones, bursts of noise, and the
// chain's 1e-24.
std::vector<double> TestSignal()
{
    std::vector<double> x(2 * kFrames);
    uint32_t noise = 777u;
    for (size_t i = 0; i < kFrames; ++i)
    {
        noise = noise * 1664525u + 1013904223u;
        const double t = static_cast<double>(i) / kRate;
        const double burst = std::fmod(t, 0.05) < 0.01 ? 0.6 : 0.05;
        const double white = static_cast<int32_t>(noise) * (1.0 / 2147483648.0);
        x[2 * i] = burst * white + 0.3 * std::sin(2 * 3.14159265358979 * 220.0 * t) + 1e-24;
        x[2 * i + 1] =
            0.7 * burst * white + 0.2 * std::sin(2 * 3.14159265358979 * 330.0 * t) + 1e-24;
    }
    return x;
}

template <int S, typename Filter> Cascade<S, 2> CopyDesign(const Filter& f)
{
    Cascade<S, 2> c;
    for (int s = 0; s < S; ++s)
    {
        const Dsp::Stage& st = f.GetStage(s);
        c.sections[s].b0 = st.b[0];
        c.sections[s].b1 = st.b[1];
        c.sections[s].b2 = st.b[2];
        c.sections[s].a1 = st.a[1];
        c.sections[s].a2 = st.a[2];
    }
    return c;
}

bool Report(const char* name, bool ok)
{
    std::printf("%-44s %s\n", name, ok ? "bit-identical" : "DIFFERS");
    return ok;
}

bool Same(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

} // namespace

int CheckAgainstEngine()
{
    std::printf("against the plug-in's own filters and models:\n");
    int failures = 0;
    const std::vector<double> in = TestSignal();
    const size_t block = 500;

    // Up-sampling: stuff and Process with the library, against the fused form.
    {
        Dsp::BesselLowPass<6, 2> lib;
        lib.Setup(1.0, 20000.0 / (3 * kRate));
        Cascade<3, 2> mine = CopyDesign<3>(lib);
        std::vector<double> a(6 * kFrames), b(6 * kFrames);
        for (size_t pos = 0; pos < kFrames; pos += block)
        {
            double* o = a.data() + 6 * pos;
            for (size_t i = 0; i < block; ++i)
            {
                o[6 * i] = 3.0 * in[2 * (pos + i)];
                o[6 * i + 1] = 3.0 * in[2 * (pos + i) + 1];
                for (int k = 2; k < 6; ++k)
                    o[6 * i + k] = 0.0;
            }
            lib.Process(static_cast<int>(3 * block), o);
            UpsampleInterleaved(mine, in.data() + 2 * pos, block, b.data() + 6 * pos);
        }
        if (!Report("Bessel 6 up-sampling, zeros skipped", Same(a, b))) ++failures;

        // Down-sampling of that oversampled signal.
        Dsp::BesselLowPass<4, 2> down;
        down.Setup(1.0, 20000.0 / (3 * kRate));
        Cascade<2, 2> mineDown = CopyDesign<2>(down);
        std::vector<double> work(a), outA(2 * kFrames), outB(2 * kFrames);
        for (size_t pos = 0; pos < kFrames; pos += block)
        {
            double* w = work.data() + 6 * pos;
            down.Process(static_cast<int>(3 * block), w);
            for (size_t j = 0; j < block; ++j)
            {
                outA[2 * (pos + j)] = w[6 * j];
                outA[2 * (pos + j) + 1] = w[6 * j + 1];
            }
            DownsampleInterleaved(mineDown, a.data() + 6 * pos, block, outB.data() + 2 * pos);
        }
        if (!Report("Bessel 4 down-sampling, kept frames only", Same(outA, outB))) ++failures;
    }

    // The FET model at the base rate with analog emulation off, against the
    // floor's gain computer with the same settings.
    {
        VintageFETCompressor fet;
        fet.SetSampleRate(kRate);
        fet.SetOversampling(false);
        fet.stages.SetAnalogEmulation(false);
        fet.stages.SetExternalSidechain(false);
        fet.SetSidechainFilter(0.0f);
        fet.SetStereoFlag(true);
        const float attack = 0.4f, release = 0.3f;
        fet.SetAttack(attack);
        fet.SetRelease(release);
        const double threshold = std::pow(10.0, -3.0 * 0.6), ratio = 0.5;
        fet.SetThreshold(threshold);
        fet.SetRatio(ratio);

        FetState s;
        s.attack =
            std::exp(-1.0 / (kRate * (static_cast<double>(attack) * 0.78 * 1.5 + 0.03) / 1000.0));
        s.release = std::exp(
            -1.0 / (kRate * (static_cast<double>(release * 1150.0f + 50.0f) * 1.3) / 1000.0));
        s.k = threshold * ratio * 400.0;
        std::vector<double> a(in), b(in);
        bool reductionSame = true;
        for (size_t pos = 0; pos < kFrames; pos += block)
        {
            fet.Process(a.data() + 2 * pos, static_cast<int>(block), nullptr);
            FetFloor(s, b.data() + 2 * pos, block);
            reductionSame = reductionSame && fet.stages.GainReduction() == s.smallest;
        }
        if (!Report("FET model against the FET floor", Same(a, b) && reductionSame)) ++failures;
    }

    // The VCA model likewise (it adds its own 1e-24 before the gain computer).
    {
        VCACompressor vca;
        vca.SetSampleRate(static_cast<int>(kRate));
        vca.SetOversampling(false);
        vca.stages.SetAnalogEmulation(false);
        vca.stages.SetExternalSidechain(false);
        vca.SetSidechainFilter(0.0f);
        vca.SetStereoFlag(true);
        const float attack = 0.2f, release = 0.1f;
        vca.SetAttack(attack);
        vca.SetRelease(release);
        vca.SetThreshold(0.05);
        vca.SetRatio(4.0);

        VcaState s;
        s.attack = std::exp(-1.0 / (kRate * static_cast<double>(attack * 29.0f + 1.0f) / 1000.0));
        s.release =
            std::exp(-1.0 / (kRate * static_cast<double>(release * 3900.0f + 100.0f) / 1000.0));
        s.rms = std::exp(-1.0 / (kRate * 0.0825));
        s.threshold = 0.05;
        s.ratio = 4.0;
        std::vector<double> a(in), b(in), envelopes(block);
        bool reductionSame = true;
        for (size_t pos = 0; pos < kFrames; pos += block)
        {
            vca.Process(a.data() + 2 * pos, static_cast<int>(block), nullptr);
            double* x = b.data() + 2 * pos;
            for (size_t i = 0; i < 2 * block; ++i)
                x[i] += 1e-24;
            VcaRecursion(s, x, block, envelopes.data());
            VcaApplyGains(s, x, block, envelopes.data());
            reductionSame = reductionSame && vca.stages.GainReduction() == s.smallest;
        }
        if (!Report("VCA model against the VCA floor", Same(a, b) && reductionSame)) ++failures;
    }
    return failures;
}
