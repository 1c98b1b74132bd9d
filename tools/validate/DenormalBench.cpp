#include "tools/validate/DenormalBench.h"

#include "tools/host/AudioBuffer.h"
#include "tools/host/PluginInstance.h"
#include "tools/validate/BoundProfile.h"
#include "tools/validate/Random.h"

#include <string>
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
    std::string name;
    int model; // index into the profile's models; -1: as the plug-in comes
    bool externalSidechain;
    // What becomes quiet: the main input, or the sidechain (the main input
    // stays loud), or nothing (the profile's neutral setting comes instead).
    enum Quiet
    {
        Main,
        Sidechain,
        Neutral
    } quiet;
};

std::vector<Scenario> ScenariosFor(const BoundProfile& knobs)
{
    std::vector<Scenario> scenarios;
    if (knobs.ModelCount() == 0) return {{"silence after loud audio", -1, false, Scenario::Main}};
    for (int m = 0; m < knobs.ModelCount(); ++m)
        scenarios.push_back(
            {knobs.ModelAt(m).name + ", silence after loud audio", m, false, Scenario::Main});
    if (knobs.externalSidechain >= 0)
        for (int m = 0; m < knobs.ModelCount(); ++m)
            scenarios.push_back({knobs.ModelAt(m).name + ", " +
                                     knobs.profile->externalSidechain.parameter +
                                     " on, sidechain silent after loud",
                                 m, true, Scenario::Sidechain});
    if (knobs.benchNeutral >= 0)
    {
        const auto& models = knobs.profile->models;
        for (int m = 0; m < knobs.ModelCount(); ++m)
            if (models[size_t(m)].name == knobs.profile->benchNeutralModel)
                scenarios.push_back({models[size_t(m)].name + ", " +
                                         knobs.profile->benchNeutral.parameter + " back to ",
                                     m, false, Scenario::Neutral});
    }
    return scenarios;
}

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

DenormalBench::DenormalBench(std::string pluginPath, double quietSeconds, ProfileChoice profile)
    : mPluginPath(std::move(pluginPath)), mQuietSeconds(quietSeconds), mProfile(std::move(profile))
{
}

bool DenormalBench::Run()
{
    std::printf("denormal benchmark: %.0f Hz, blocks of %d, %.0f s loud, then %.0f s quiet; "
                "CPU time per block of the last %.0f s of each\n",
                kRate, kBlock, kLoudSeconds, mQuietSeconds, kTimedSeconds);
    std::vector<Scenario> scenarios;
    for (size_t k = 0; k == 0 || k < scenarios.size(); ++k)
    {
        PluginInstance instance;
        if (!instance.Open(mPluginPath))
        {
            std::printf("cannot open %s: %s\n", mPluginPath.c_str(), instance.Error().c_str());
            return false;
        }
        AEffect* e = instance.Effect();
        const BoundProfile knobs = BoundProfile::Bind(mProfile.For(e->uniqueID), instance);
        if (k == 0) scenarios = ScenariosFor(knobs);
        const Scenario& s = scenarios[k];
        instance.Start(kRate, kBlock);
        if (s.model >= 0) knobs.SelectModel(instance, s.model);
        // Settings that compress hard and release fast: the shortest
        // release decays fastest, into subnormals soonest.
        for (size_t i = 0; i < knobs.bench.size(); ++i)
            if (knobs.bench[i] >= 0)
                instance.SetParameter(knobs.bench[i], knobs.profile->bench[i].value);
        if (knobs.externalSidechain >= 0)
            instance.SetParameter(knobs.externalSidechain, s.externalSidechain ? 1.0f : 0.0f);

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
        std::string name = s.name;
        switch (s.quiet)
        {
        case Scenario::Main:
            quiet = run(mQuietSeconds, false, false);
            break;
        case Scenario::Sidechain:
            quiet = run(mQuietSeconds, true, false);
            break;
        case Scenario::Neutral:
            instance.SetParameter(knobs.benchNeutral, knobs.profile->benchNeutral.value);
            // Named by the plug-in's own display of the neutral value.
            name += instance.ParameterDisplay(knobs.benchNeutral) +
                    instance.ParameterLabel(knobs.benchNeutral) + " after compressing";
            quiet = run(mQuietSeconds, true, true);
            break;
        }
        std::printf("  %-58s loud %7.2f us/block, quiet %7.2f us/block, ratio %.2f\n", name.c_str(),
                    loud * 1e6, quiet * 1e6, loud > 0.0 ? quiet / loud : 0.0);
        std::fflush(stdout);
    }
    return true;
}

} // namespace validate
