#include "tools/validate/DenormalBench.h"

#include "tools/host/AudioBuffer.h"
#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace validate
{

namespace
{

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr double kLoudSeconds = 10.0;
// The part of each stretch that is timed, at its end.
constexpr double kTimedSeconds = 5.0;

struct Scenario
{
    const char* name;
    float model; // normalised "Model Type"
    bool externalSidechain;
    // What becomes quiet: the main input, or the sidechain (the main input
    // stays loud), or nothing (the ratio returns to 1:1 instead).
    enum Quiet
    {
        Main,
        Sidechain,
        RatioToOne
    } quiet;
};

const Scenario kScenarios[] = {
    {"VCA, silence after loud audio", 0.0f, false, Scenario::Main},
    {"FET, silence after loud audio", 0.5f, false, Scenario::Main},
    {"OPTO, silence after loud audio", 1.0f, false, Scenario::Main},
    {"VCA, External Sidechain on, sidechain silent after loud", 0.0f, true, Scenario::Sidechain},
    {"FET, External Sidechain on, sidechain silent after loud", 0.5f, true, Scenario::Sidechain},
    {"OPTO, External Sidechain on, sidechain silent after loud", 1.0f, true, Scenario::Sidechain},
    {"FET, Ratio back to 1:1 after compressing", 0.5f, false, Scenario::RatioToOne},
};

double ThreadSeconds()
{
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
#else
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

} // namespace

DenormalBench::DenormalBench(std::string pluginPath, double quietSeconds)
    : mPluginPath(std::move(pluginPath)), mQuietSeconds(quietSeconds)
{
}

bool DenormalBench::Run()
{
    std::printf("denormal benchmark: %.0f Hz, blocks of %d, %.0f s loud, then %.0f s quiet; "
                "CPU time per block of the last %.0f s of each\n",
                kRate, kBlock, kLoudSeconds, mQuietSeconds, kTimedSeconds);
    for (const Scenario& s : kScenarios)
    {
        PluginInstance instance;
        if (!instance.Open(mPluginPath))
        {
            std::printf("cannot open %s: %s\n", mPluginPath.c_str(), instance.Error().c_str());
            return false;
        }
        AEffect* e = instance.Effect();
        instance.Start(kRate, kBlock);
        const int model = instance.FindParameter("Model Type");
        const int threshold = instance.FindParameter("Threshold");
        const int ratio = instance.FindParameter("Ratio");
        const int release = instance.FindParameter("Release");
        const int sidechain = instance.FindParameter("External Sidechain");
        if (model >= 0) instance.SetParameter(model, s.model);
        if (threshold >= 0) instance.SetParameter(threshold, 0.6f);
        if (ratio >= 0) instance.SetParameter(ratio, 0.5f);
        // The shortest release decays fastest, into subnormals soonest.
        if (release >= 0) instance.SetParameter(release, 0.0f);
        if (sidechain >= 0) instance.SetParameter(sidechain, s.externalSidechain ? 1.0f : 0.0f);

        std::vector<std::vector<double>> in(static_cast<size_t>(e->numInputs),
                                            std::vector<double>(kBlock, 0.0));
        std::vector<std::vector<double>> out(static_cast<size_t>(e->numOutputs),
                                             std::vector<double>(kBlock, 0.0));
        std::vector<double*> inPtr = ChannelPointers(in), outPtr = ChannelPointers(out);
        Random random(12345);

        // Processes seconds of audio; answers the CPU time per block of the
        // last kTimedSeconds.
        auto run = [&](double seconds, bool mainLoud, bool sidechainLoud)
        {
            const long blocks = static_cast<long>(seconds * kRate / kBlock);
            const long timedFrom = blocks - static_cast<long>(kTimedSeconds * kRate / kBlock);
            double timed = 0.0;
            for (long b = 0; b < blocks; ++b)
            {
                for (size_t c = 0; c < in.size(); ++c)
                {
                    const bool loud = c < 2 ? mainLoud : sidechainLoud;
                    for (int i = 0; i < kBlock; ++i)
                        in[c][static_cast<size_t>(i)] = loud ? random.Uniform(-0.9, 0.9) : 0.0;
                }
                const double t0 = ThreadSeconds();
                instance.ProcessDoubleReplacing(inPtr.data(), outPtr.data(), kBlock);
                if (b >= timedFrom) timed += ThreadSeconds() - t0;
            }
            const long count = blocks - (timedFrom > 0 ? timedFrom : 0);
            return count > 0 ? timed / static_cast<double>(count) : 0.0;
        };
        const double loud = run(kLoudSeconds, true, true);
        double quiet = 0.0;
        switch (s.quiet)
        {
        case Scenario::Main:
            quiet = run(mQuietSeconds, false, false);
            break;
        case Scenario::Sidechain:
            quiet = run(mQuietSeconds, true, false);
            break;
        case Scenario::RatioToOne:
            if (ratio >= 0) instance.SetParameter(ratio, 0.0f);
            quiet = run(mQuietSeconds, true, true);
            break;
        }
        std::printf("  %-58s loud %7.2f us/block, quiet %7.2f us/block, ratio %.2f\n", s.name,
                    loud * 1e6, quiet * 1e6, loud > 0.0 ? quiet / loud : 0.0);
        std::fflush(stdout);
        if (model < 0) break; // a plug-in without our models: one scenario says it all
    }
    return true;
}

} // namespace validate
