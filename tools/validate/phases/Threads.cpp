#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace validate
{

void Validator::Threads(Report& report)
{
    // The host's GUI or automation thread changes parameters and asks for
    // their display while the audio thread processes. The plug-in's lock must
    // serialise them (a sanitizer build sees any unguarded access).
    Random random(SeedFor("threads"));
    PluginInstance instance;
    if (!Open(instance, report, "threads")) return;
    AEffect* e = instance.Effect();
    const int count = e->numParams;
    AudioBuffers buffers;
    buffers.Allocate(e->numInputs, e->numOutputs, 256);
    instance.Start(48000.0, 256);
    SignalGenerator generator(random.Next(), 48000.0);
    const std::vector<uint8_t> program = instance.GetChunk(true);

    std::atomic<bool> stop{false};
    std::atomic<long> guiCalls{0};
    const uint64_t guiSeed = random.Next();
    std::thread gui(
        [&]
        {
            Random r(guiSeed);
            while (!stop.load())
            {
                const int index = static_cast<int>(r.Integer(0, count > 0 ? count - 1 : 0));
                switch (r.Integer(0, 6))
                {
                case 0:
                case 1:
                    instance.SetParameter(index, static_cast<float>(r.Uniform()));
                    break;
                case 2:
                    (void)instance.GetParameter(index);
                    break;
                case 3:
                    (void)instance.ParameterDisplay(index);
                    (void)instance.ParameterLabel(index);
                    break;
                case 4:
                    instance.SetParameterText(index, kHostileTexts[r.Integer(0, 9)]);
                    break;
                case 5:
                    (void)instance.GetChunk(r.Chance(0.5));
                    break;
                default:
                    if (r.Chance(0.1)) instance.SetChunk(true, program);
                    break;
                }
                guiCalls.fetch_add(1);
            }
        });
    const int blocks = mOptions.quick ? 300 : 3000;
    for (int b = 0; b < blocks; ++b)
    {
        buffers.Generate(generator, 256);
        ProcessChecked(instance, buffers, b % 2 ? Precision::Double : Precision::Float, 256, report,
                       "block " + std::to_string(b));
    }
    stop.store(true);
    gui.join();
    report.Note(std::to_string(blocks) + " blocks processed while the other thread made " +
                std::to_string(guiCalls.load()) + " calls");
    report.CountConfiguration();
}

} // namespace validate
