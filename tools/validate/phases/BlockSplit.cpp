#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace validate
{

void Validator::BlockSplit(Report& report)
{
    // The same audio in one block size, sample by sample, and in random
    // splits (larger than the analog stage's and the oversampler's buffers
    // too) must give the same output bit for bit.
    Random random(SeedFor("block-split"));
    const int frames = mOptions.quick ? 6000 : 24000;
    // Every model with every combination of the switches (the model
    // changing fastest), and at least twelve random settings. The profile
    // is known once the first instance is open.
    auto settingCount = [this]
    {
        const int models = std::max(1, mKnobs.ModelCount());
        return std::max(12, models << mKnobs.PresentSwitches().size());
    };
    for (int setting = 0; setting < settingCount(); ++setting)
    {
        PluginInstance whole, single, split;
        std::string config = "setting " + std::to_string(setting);
        if (!Open(whole, report, config) || !Open(single, report, config) ||
            !Open(split, report, config))
            return;
        AEffect* e = whole.Effect();
        const int models = std::max(1, mKnobs.ModelCount());
        const int model = setting % models;
        const std::vector<int> switches = mKnobs.PresentSwitches();
        const uint64_t settings = random.Next();
        std::string labels;
        for (PluginInstance* p : {&whole, &single, &split})
        {
            p->Start(44100.0, 8192);
            Random r(settings);
            for (int i = 0; i < e->numParams; ++i)
                p->SetParameter(i, static_cast<float>(r.Uniform()));
            labels = mKnobs.SelectModel(*p, model);
            for (size_t k = 0; k < switches.size(); ++k)
                labels += mKnobs.SetSwitch(*p, switches[k], (setting / models >> k) & 1);
            mKnobs.SetUnity(*p);
        }
        config += labels;
        const bool leftOnly = RightChannelRandom(whole);
        // Each instance draws its own random right-channel offset while the
        // analog stage is on; the coupled models feed it back into both
        // channels, so only the others compare across instances then.
        const bool comparable =
            !leftOnly || (mKnobs.ModelCount() > 0 && !mKnobs.ModelAt(model).coupled);
        const uint64_t signal = random.Next();

        // Renders all frames with calls of the sizes next() gives.
        auto render =
            [&](PluginInstance& p, const std::function<int()>& next, std::vector<double>& out)
        {
            AudioBuffers buffers;
            buffers.Allocate(e->numInputs, e->numOutputs, 8192);
            SignalGenerator generator(signal, 44100.0);
            out.clear();
            int done = 0;
            while (done < frames)
            {
                const int n = std::min(next(), frames - done);
                buffers.Generate(generator, n);
                ProcessChecked(p, buffers, Precision::Double, n, report, config);
                for (int i = 0; i < n; ++i)
                    for (int c = 0; c < (leftOnly ? 1 : e->numOutputs); ++c)
                        out.push_back(buffers.Output(Precision::Double, c, i));
                done += n;
            }
        };
        std::vector<double> a, b, c;
        Random splits(random.Next());
        render(
            whole, [] { return 4096; }, a);
        render(
            single, [] { return 1; }, b);
        render(
            split, [&] { return static_cast<int>(splits.Integer(1, 8192)); }, c);
        for (const auto* other : {&b, &c})
        {
            if (!comparable) break;
            size_t at = 0;
            while (at < a.size() && std::memcmp(&a[at], &(*other)[at], sizeof(double)) == 0)
                ++at;
            report.Expect(at == a.size(), "block-size-independent",
                          config + (other == &b ? " one frame per call" : " random splits"),
                          "sample " + std::to_string(at) + " differs from blocks of 4096: " +
                              (at < a.size()
                                   ? Format("%.17g", (*other)[at]) + " vs " + Format("%.17g", a[at])
                                   : std::string()));
        }
        report.CountConfiguration();
    }
}

} // namespace validate
