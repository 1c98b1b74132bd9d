#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/phases/PhaseSupport.h"

namespace validate
{

void Validator::CloseUnopened(Report& report)
{
    // What hosts' scanners do: create an effect, look at it and close it,
    // with or without effOpen, with or without ever resuming it.
    SharedLibrary library;
    if (!library.Open(mOptions.pluginPath))
    {
        report.Fail("load", "library", library.Error());
        return;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(library.Symbol("VSTPluginMain"));
    if (entry == nullptr) entry = reinterpret_cast<VstPluginMainProc>(library.Symbol("main"));
    if (!report.Expect(entry != nullptr, "entry-point", "library", "no VSTPluginMain or main"))
        return;
    for (int variant = 0; variant < 3; ++variant)
    {
        for (int repeat = 0; repeat < 10; ++repeat)
        {
            AEffect* e = entry(&PluginInstance::HostCallback);
            if (!report.Expect(e != nullptr && e->magic == kEffectMagic, "entry-point",
                               "variant " + std::to_string(variant), "no valid effect record"))
                return;
            if (variant >= 1) e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
            if (variant == 2)
            {
                e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
                e->dispatcher(e, effSetBlockSize, 0, 256, nullptr, 0.0f);
                e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
            }
            e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
            report.Pass();
        }
    }
}

} // namespace validate
