#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <algorithm>
#include <string>

namespace validate
{

void Validator::RateChange(Report& report)
{
    // Hosts change the rate and the block size between blocks without
    // suspending the effect, and some use the accumulating call.
    Random random(SeedFor("rate-change"));
    PluginInstance instance;
    if (!Open(instance, report, "rate-change")) return;
    AEffect* e = instance.Effect();
    AudioBuffers buffers;
    buffers.Allocate(e->numInputs, e->numOutputs, 8192);
    instance.Start(44100.0, 512);
    SignalGenerator generator(random.Next(), 44100.0);
    const int steps = mOptions.quick ? 20 : 120;
    for (int step = 0; step < steps; ++step)
    {
        const double rate = kRates[static_cast<size_t>(random.Integer(0, kRates.size() - 1))];
        const int block =
            kBlockSizes[static_cast<size_t>(random.Integer(1, kBlockSizes.size() - 1))];
        std::string config = "step " + std::to_string(step);
        if (random.Chance(0.5))
        {
            instance.SetSampleRate(rate);
            config += " rate=" + Format("%.0f", rate);
        }
        if (random.Chance(0.5))
        {
            instance.SetBlockSize(block);
            config += " block=" + std::to_string(block);
        }
        if (random.Chance(0.2))
        {
            const int knob = static_cast<int>(random.Integer(0, e->numParams - 1));
            instance.SetParameter(knob, static_cast<float>(random.Uniform()));
            config += " p" + std::to_string(knob) + " changed";
        }
        const int n = std::min(instance.BlockSize(), buffers.Capacity());
        const Precision precision =
            static_cast<Precision>(random.Integer(0, 2)); // float, double, accumulating
        for (int call = 0; call < 3; ++call)
        {
            buffers.Generate(generator, n);
            ProcessChecked(instance, buffers, precision, n, report, config);
        }
        report.CountConfiguration();
    }
}

} // namespace validate
