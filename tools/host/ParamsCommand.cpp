#include "CommandLine.h"
#include "Commands.h"
#include "ParameterCatalogue.h"
#include "PluginInstance.h"

#include <cstdio>
#include <string>

namespace
{

int Usage(const std::string& error)
{
    std::fprintf(stderr, "params: %s\nusage: korvala-host params PLUGIN.so\n", error.c_str());
    return 2;
}

std::string RangeText(const ParameterCatalogue::Range& range, const std::string& label)
{
    return range.minimumText + " to " + ParameterText::WithUnit(range.maximumText, label);
}

} // namespace

// Lists what --set accepts: every parameter with its index, name, range and
// unit (or its display texts), and its value at the defaults.
int RunParams(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv, {}, error)) return Usage(error);
    if (args.Positional().size() != 1) return Usage("a plug-in expected");
    const std::string& path = args.Positional()[0];

    PluginInstance plugin;
    if (!plugin.Open(path))
    {
        std::fprintf(stderr, "params: cannot load %s: %s\n", path.c_str(), plugin.Error().c_str());
        return 1;
    }
    const std::string effect = plugin.EffectName();
    ParameterCatalogue catalogue;
    catalogue.Probe(plugin);
    plugin.Close();

    const auto& parameters = catalogue.Parameters();
    std::printf("%s: %zu parameters\n", effect.c_str(), parameters.size());
    std::printf("%3s  %-20s %-28s %s\n", "#", "name", "range or settings", "default");
    for (size_t i = 0; i < parameters.size(); ++i)
    {
        const ParameterCatalogue::Parameter& p = parameters[i];
        std::string values;
        if (p.IsNumeric())
            values = RangeText(p.range, p.label);
        else
            for (size_t t = 0; t < p.texts.size(); ++t)
                values += (t == 0 ? "" : " | ") + p.texts[t];
        std::printf("%3zu  %-20s %-28s %s\n", i, p.name.c_str(), values.c_str(),
                    ParameterText::WithUnit(p.defaultText, p.IsNumeric() ? p.label : "").c_str());
        int lastSwitch = -1;
        for (const auto& under : p.rangesUnder)
        {
            if (under.switchIndex != lastSwitch)
                std::printf("%27s with %s:\n", "",
                            parameters[static_cast<size_t>(under.switchIndex)].name.c_str());
            lastSwitch = under.switchIndex;
            std::printf("%29s %-8s %s\n", "", under.switchText.c_str(),
                        RangeText(under.range, p.label).c_str());
        }
    }
    std::printf("\nset with --set \"NAME=VALUE\" (a number in the range, optionally with its "
                "unit, or one of the settings) or --set \"NAME=@0..1\" (the knob position)\n");
    return 0;
}
