#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace validate
{

void Validator::Matrix(Report& report)
{
    const auto& rates = !mOptions.rates.empty() ? mOptions.rates
                        : mOptions.quick        ? kQuickRates
                                                : kRates;
    const auto& blocks = !mOptions.blockSizes.empty() ? mOptions.blockSizes
                         : mOptions.quick             ? kQuickBlockSizes
                                                      : kBlockSizes;
    // Enough frames per configuration for a few hundred milliseconds of
    // audio at the common rates, and at least two blocks; the whole matrix
    // then stays within a minute or two on one core.
    const int targetFrames = mOptions.quick ? 1024 : 16384;

    for (double rate : rates)
    {
        for (int block : blocks)
        {
            PluginInstance instance;
            const std::string base =
                "rate=" + Format("%.0f", rate) + " block=" + std::to_string(block);
            if (!Open(instance, report, base)) return;
            AEffect* e = instance.Effect();
            AudioBuffers buffers;
            buffers.Allocate(e->numInputs, e->numOutputs, block);
            instance.SetSampleRate(rate);
            instance.SetBlockSize(block);
            instance.Resume();
            mKnobs.SetUnity(instance);

            // Largest input so far: the instance's state carries over from one
            // configuration to the next, and so may its output.
            double peak = 0.0;
            const int models = std::max(1, mKnobs.ModelCount());
            // Every combination of the switches, the last one changing fastest.
            const std::vector<int> switches = mKnobs.PresentSwitches();
            const int combinations = 1 << switches.size();
            for (Precision precision : {Precision::Float, Precision::Double})
            {
                for (int model = 0; model < models; ++model)
                {
                    for (int combination = 0; combination < combinations; ++combination)
                    {
                        std::string config = base + mKnobs.SelectModel(instance, model);
                        for (size_t k = 0; k < switches.size(); ++k)
                        {
                            const bool on = (combination >> (switches.size() - 1 - k)) & 1;
                            config += mKnobs.SetSwitch(instance, switches[k], on);
                        }
                        Random random(SeedFor(config + PrecisionName(precision)));
                        for (int knob : mKnobs.randomised)
                        {
                            if (knob < 0) continue;
                            const float v = static_cast<float>(random.Uniform());
                            instance.SetParameter(knob, v);
                            config += " p" + std::to_string(knob) + "=" + Format("%.3f", v);
                        }
                        if (mKnobs.externalSidechain >= 0)
                        {
                            const bool on = random.Chance(0.3);
                            instance.SetParameter(mKnobs.externalSidechain, on ? 1.0f : 0.0f);
                            config += " " + mKnobs.profile->externalSidechain.label +
                                      (on ? "=on" : "=off");
                        }
                        SignalGenerator generator(random.Next(), rate);
                        if (block == 0)
                        {
                            for (int call = 0; call < 4; ++call)
                                ProcessChecked(instance, buffers, precision, 0, report, config);
                        }
                        else
                        {
                            int done = 0;
                            const int total = std::max(2 * block, targetFrames);
                            bool clean = true;
                            while (done < total && clean)
                            {
                                buffers.Generate(generator, block);
                                peak = std::max(peak, buffers.InputPeak(block));
                                clean = ProcessChecked(instance, buffers, precision, block, report,
                                                       config, true, peak);
                                done += block;
                            }
                        }
                        report.CountConfiguration();
                    }
                }
            }
            instance.Suspend();
            instance.Close();
        }
    }
}

} // namespace validate
