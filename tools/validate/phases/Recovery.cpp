#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <limits>
#include <string>

namespace validate
{

void Validator::Recovery(Report& report)
{
    // One NaN or infinity from an upstream plug-in may spoil the block it is
    // in, but the blocks after it, with finite input, must be finite again.
    Random random(SeedFor("recovery"));
    const double poisons[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    // Every model of the profile, or the one the plug-in has (the profile
    // is known once the first instance is open).
    for (int model = 0; model == 0 || model < mKnobs.ModelCount(); ++model)
    {
        for (int where = 0; where < 2; ++where) // main input, sidechain input
        {
            for (const double poison : poisons)
            {
                PluginInstance instance;
                std::string config =
                    "poison=" + Format("%g", poison) + (where ? " in sidechain" : " in main input");
                if (!Open(instance, report, config)) return;
                AEffect* e = instance.Effect();
                if (where == 1 && e->numInputs < 4) continue;
                AudioBuffers buffers;
                buffers.Allocate(e->numInputs, e->numOutputs, 512);
                instance.Start(44100.0, 512);
                config += mKnobs.SelectModel(instance, model);
                // Settings that compress: the gain computer's state must
                // recover as well.
                for (size_t k = 0; k < mKnobs.recovery.size(); ++k)
                    if (mKnobs.recovery[k] >= 0)
                        instance.SetParameter(mKnobs.recovery[k],
                                              mKnobs.profile->recovery[k].value);
                if (where == 1 && mKnobs.externalSidechain >= 0)
                    instance.SetParameter(mKnobs.externalSidechain, 1.0f);
                SignalGenerator generator(random.Next(), 44100.0);
                for (int b = 0; b < 4; ++b)
                {
                    buffers.Generate(generator, 512);
                    ProcessChecked(instance, buffers, Precision::Double, 512, report, config);
                }
                buffers.Generate(generator, 512);
                buffers.SetInput(where ? 2 : 0, 100, poison);
                const bool poisonedBlockClean = ProcessChecked(instance, buffers, Precision::Double,
                                                               512, report, config, false) &&
                                                buffers.Scan(Precision::Double, 512).nonFinite == 0;
                report.Expect(poisonedBlockClean, "finite-output-of-poisoned-block", config,
                              "the block holding the non-finite input sample put out "
                              "non-finite samples");
                bool recovered = true;
                for (int b = 0; b < 8 && recovered; ++b)
                {
                    buffers.Generate(generator, 512);
                    recovered = ProcessChecked(instance, buffers, Precision::Double, 512, report,
                                               config + " block " + std::to_string(b + 1) +
                                                   " after the non-finite sample");
                }
                report.CountConfiguration();
            }
        }
    }
}

} // namespace validate
