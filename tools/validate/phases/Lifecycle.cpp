#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace validate
{

void Validator::Lifecycle(Report& report)
{
    const int cycles = mOptions.quick ? 10 : 100;
    Random random(SeedFor("lifecycle"));
    AudioBuffers buffers;
    SignalGenerator generator(random.Next(), 44100.0);

    // One instance, opened and closed again and again, processing in between.
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        PluginInstance instance;
        if (!Open(instance, report, "single cycle " + std::to_string(cycle))) return;
        if (buffers.Capacity() == 0)
            buffers.Allocate(instance.Effect()->numInputs, instance.Effect()->numOutputs, 512);
        instance.Start(44100.0, 512);
        buffers.Generate(generator, 512);
        ProcessChecked(instance, buffers, cycle % 2 ? Precision::Double : Precision::Float, 512,
                       report, "single cycle " + std::to_string(cycle));
        instance.Close();
    }

    // Several instances at once, created and destroyed from two threads at
    // the same moment, as a host loading a project does.
    constexpr int kPerThread = 3;
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        std::vector<std::unique_ptr<PluginInstance>> left(kPerThread), right(kPerThread);
        std::atomic<int> ready{0};
        std::atomic<int> opened{0};
        auto create = [&](std::vector<std::unique_ptr<PluginInstance>>& list)
        {
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
            for (auto& p : list)
            {
                p = std::make_unique<PluginInstance>();
                if (p->Open(mOptions.pluginPath)) opened.fetch_add(1);
            }
        };
        std::thread a(create, std::ref(left));
        std::thread b(create, std::ref(right));
        a.join();
        b.join();
        const std::string where = "several cycle " + std::to_string(cycle);
        if (!report.Expect(opened.load() == 2 * kPerThread, "open", where,
                           "only " + std::to_string(opened.load()) + " of " +
                               std::to_string(2 * kPerThread) + " instances opened"))
            return;
        std::vector<PluginInstance*> all;
        for (auto& p : left)
            all.push_back(p.get());
        for (auto& p : right)
            all.push_back(p.get());
        for (size_t i = 0; i < all.size(); ++i)
            for (size_t j = i + 1; j < all.size(); ++j)
                report.Expect(all[i]->Effect() != all[j]->Effect() &&
                                  (all[i]->Effect()->object == nullptr ||
                                   all[i]->Effect()->object != all[j]->Effect()->object),
                              "distinct-instances", where, "two instances share a record");
        for (PluginInstance* p : all)
        {
            p->Start(48000.0, 256);
            buffers.Generate(generator, 256);
            ProcessChecked(*p, buffers, Precision::Float, 256, report, where);
        }
        ready.store(0);
        auto destroy = [&](std::vector<std::unique_ptr<PluginInstance>>& list)
        {
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
            for (auto& p : list)
                p.reset();
        };
        std::thread c(destroy, std::ref(left));
        std::thread d(destroy, std::ref(right));
        c.join();
        d.join();
    }
}

} // namespace validate
