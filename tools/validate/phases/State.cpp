#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace validate
{

void Validator::State(Report& report)
{
    Random random(SeedFor("state"));
    const int rounds = mOptions.quick ? 4 : 12;
    for (int round = 0; round < rounds; ++round)
    {
        const std::string config = "round " + std::to_string(round);
        PluginInstance source, fromProgram, fromBank, fromParams;
        if (!Open(source, report, config) || !Open(fromProgram, report, config) ||
            !Open(fromBank, report, config) || !Open(fromParams, report, config))
            return;
        AEffect* e = source.Effect();
        const int count = e->numParams;
        for (PluginInstance* p : {&source, &fromProgram, &fromBank, &fromParams})
            p->Start(48000.0, 512);

        // Random settings, through both host entries.
        for (int i = 0; i < count; ++i)
        {
            if (random.Chance(0.7)) source.SetParameter(i, static_cast<float>(random.Uniform()));
        }
        const std::vector<uint8_t> program = source.GetChunk(true);
        const std::vector<uint8_t> bank = source.GetChunk(false);
        std::vector<float> values(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            values[static_cast<size_t>(i)] = source.GetParameter(i);

        // Restored elsewhere, saved again: the same bytes.
        if (!program.empty())
        {
            report.Expect(fromProgram.SetChunk(true, program), "program-restore", config,
                          "the program chunk was refused");
            report.Expect(fromProgram.GetChunk(true) == program, "program-round-trip", config,
                          "the program chunk saved after restoring differs from the one restored");
        }
        if (!bank.empty())
        {
            report.Expect(fromBank.SetChunk(false, bank), "bank-restore", config,
                          "the bank chunk was refused");
            report.Expect(fromBank.GetChunk(false) == bank, "bank-round-trip", config,
                          "the bank chunk saved after restoring differs from the one restored");
        }
        // The way hosts restore plug-ins that do not declare chunks: every
        // parameter's normalised value, in index order.
        for (int i = 0; i < count; ++i)
            fromParams.SetParameter(i, values[static_cast<size_t>(i)]);
        for (PluginInstance* p : {&fromProgram, &fromBank, &fromParams})
        {
            const char* how = p == &fromProgram ? "program chunk"
                              : p == &fromBank  ? "bank chunk"
                                                : "parameter values";
            for (int i = 0; i < count; ++i)
            {
                const float v = p->GetParameter(i);
                const float want = values[static_cast<size_t>(i)];
                report.Expect(std::memcmp(&v, &want, sizeof v) == 0, "restored-parameters",
                              config + " via " + how,
                              "parameter " + std::to_string(i) + " (" + source.ParameterName(i) +
                                  ") reads " + Format("%.9g", v) + " instead of " +
                                  Format("%.9g", want));
            }
        }

        // The chunk-restored instances render what the original renders.
        // (Parameter values pass through single precision on their way, so a
        // continuous parameter may land a rounding away: only the values
        // read back are compared for that path.) The analog stage gives each
        // instance its own random right-channel gain offset, which the
        // feedback models' detectors feed into both channels; it is switched
        // off for the comparison, everything else stays as restored.
        for (PluginInstance* p : {&source, &fromProgram, &fromBank})
            if (mKnobs.analog >= 0) p->SetParameter(mKnobs.analog, 0.0f);
        const bool leftOnly = RightChannelRandom(source);
        const uint64_t signal = random.Next();
        std::vector<std::unique_ptr<AudioBuffers>> outs;
        std::vector<PluginInstance*> all = {&source, &fromProgram, &fromBank};
        for (size_t k = 0; k < all.size(); ++k)
        {
            outs.push_back(std::make_unique<AudioBuffers>());
            outs.back()->Allocate(e->numInputs, e->numOutputs, 512);
        }
        std::vector<SignalGenerator> generators;
        for (size_t k = 0; k < all.size(); ++k)
            generators.emplace_back(signal, 48000.0);
        for (int b = 0; b < 8; ++b)
        {
            for (size_t k = 0; k < all.size(); ++k)
            {
                outs[k]->Generate(generators[k], 512);
                ProcessChecked(*all[k], *outs[k], Precision::Double, 512, report, config);
            }
            for (size_t k = 1; k < all.size(); ++k)
            {
                long frame = 0;
                int channel = 0;
                double va = 0, vb = 0;
                const bool same = SameOutput(*outs[0], *outs[k], Precision::Double, 512,
                                             leftOnly ? 1 : e->numOutputs, frame, channel, va, vb);
                const char* how = k == 1 ? "program chunk" : "bank chunk";
                if (!report.Expect(same, "restored-render", config + " via " + how,
                                   "block " + std::to_string(b) + " channel " +
                                       std::to_string(channel) + " frame " + std::to_string(frame) +
                                       ": " + Format("%.17g", vb) + " instead of " +
                                       Format("%.17g", va)))
                    break;
            }
        }
        report.CountConfiguration();
    }
}

} // namespace validate
