#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace validate
{

void Validator::Oversize(Report& report)
{
    // A host that announced a small block size and then passes a larger one
    // (several do, e.g. at the end of an offline render). The result must be
    // that of a host that announced the larger size.
    Random random(SeedFor("oversize"));
    const std::vector<std::pair<int, int>> cases = {{1, 2},      {64, 65},     {64, 1000},
                                                    {512, 4097}, {1024, 8192}, {17, 5462}};
    for (const auto& [announced, passed] : cases)
    {
        const std::string config =
            "announced=" + std::to_string(announced) + " passed=" + std::to_string(passed);
        PluginInstance small, large;
        if (!Open(small, report, config) || !Open(large, report, config)) return;
        AEffect* e = small.Effect();
        AudioBuffers a, b;
        a.Allocate(e->numInputs, e->numOutputs, passed);
        b.Allocate(e->numInputs, e->numOutputs, passed);
        small.Start(44100.0, announced);
        large.Start(44100.0, passed);
        const uint64_t settings = random.Next();
        for (PluginInstance* p : {&small, &large})
        {
            Random r(settings);
            for (int i = 0; i < e->numParams; ++i)
                if (i != mKnobs.analog) p->SetParameter(i, static_cast<float>(r.Uniform()));
            // The analog stage's random right-channel offset would make the
            // twins differ for a reason that has nothing to do with the call.
            if (mKnobs.analog >= 0) p->SetParameter(mKnobs.analog, 0.0f);
        }
        const uint64_t signal = random.Next();
        SignalGenerator ga(signal, 44100.0), gb(signal, 44100.0);
        for (int round = 0; round < 3; ++round)
        {
            a.Generate(ga, passed);
            b.Generate(gb, passed);
            ProcessChecked(small, a, Precision::Float, passed, report, config);
            ProcessChecked(large, b, Precision::Float, passed, report, config);
            long frame = 0;
            int channel = 0;
            double va = 0, vb = 0;
            report.Expect(
                SameOutput(a, b, Precision::Float, passed, e->numOutputs, frame, channel, va, vb),
                "oversize-identical", config + " round " + std::to_string(round),
                "differs from one call with the block size announced, at channel " +
                    std::to_string(channel) + " frame " + std::to_string(frame) + ": " +
                    Format("%.9g", va) + " vs " + Format("%.9g", vb));
        }
        report.CountConfiguration();
    }
}

} // namespace validate
