#include "CommandLine.h"
#include "Commands.h"
#include "ParameterCatalogue.h"
#include "PluginInstance.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace
{

std::string FourCC(VstInt32 id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        auto c = static_cast<unsigned char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        text += std::isprint(c) ? static_cast<char>(c) : '.';
    }
    return text;
}

std::string DecodeFlags(VstInt32 flags)
{
    struct Bit
    {
        VstInt32 mask;
        const char* name;
    };
    static const Bit bits[] = {
        {effFlagsHasEditor, "HasEditor"},
        {effFlagsHasClip, "HasClip"},
        {effFlagsHasVu, "HasVu"},
        {effFlagsCanMono, "CanMono"},
        {effFlagsCanReplacing, "CanReplacing"},
        {effFlagsProgramChunks, "ProgramChunks"},
        {effFlagsIsSynth, "IsSynth"},
        {effFlagsNoSoundInStop, "NoSoundInStop"},
        {effFlagsExtIsAsync, "ExtIsAsync"},
        {effFlagsExtHasBuffer, "ExtHasBuffer"},
        {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
    };
    std::string text;
    VstInt32 known = 0;
    for (const Bit& bit : bits)
    {
        known |= bit.mask;
        if ((flags & bit.mask) != 0) text += std::string(text.empty() ? "" : " ") + bit.name;
    }
    if ((flags & ~known) != 0)
    {
        char rest[32];
        std::snprintf(rest, sizeof rest, "%sunknown 0x%X", text.empty() ? "" : " ",
                      static_cast<unsigned>(flags & ~known));
        text += rest;
    }
    return text.empty() ? "none" : text;
}

const char* CategoryName(VstIntPtr category)
{
    static const char* names[] = {"unknown",     "effect",      "synth",   "analysis",
                                  "mastering",   "spatialiser", "room fx", "surround fx",
                                  "restoration", "offline",     "shell",   "generator"};
    if (category < 0 || category >= kPlugCategMaxCount) return "?";
    return names[category];
}

void PrintPins(PluginInstance& plugin, VstInt32 opcode, VstInt32 count, const char* title)
{
    std::printf("%s:\n", title);
    for (VstInt32 i = 0; i < count; ++i)
    {
        VstPinProperties pin{};
        VstIntPtr answered = plugin.Dispatch(opcode, i, 0, &pin);
        pin.label[sizeof pin.label - 1] = '\0';
        if (answered == 0)
        {
            std::printf("  %d: (no properties)\n", i + 1);
            continue;
        }
        std::printf("  %d: \"%s\"%s%s\n", i + 1, pin.label,
                    (pin.flags & kVstPinIsActive) != 0 ? " active" : "",
                    (pin.flags & kVstPinIsStereo) != 0 ? " stereo" : "");
    }
}

} // namespace

int RunInfo(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv, {"preset"}, error) || args.Positional().size() != 1)
    {
        std::fprintf(stderr, "info: %s\nusage: korvala-host info PLUGIN.so [--preset FILE.fxp|NAME]\n",
                     error.empty() ? "one plug-in path expected" : error.c_str());
        return 2;
    }
    const std::string& path = args.Positional()[0];
    PluginInstance plugin;
    if (!plugin.Open(path))
    {
        std::fprintf(stderr, "info: cannot load %s: %s\n", path.c_str(), plugin.Error().c_str());
        return 1;
    }
    const AEffect& e = *plugin.Effect();
    PresetFile preset;
    if (args.Has("preset") && !ApplyPresetOption(plugin, args.Get("preset"), preset, error))
    {
        std::fprintf(stderr, "info: %s\n", error.c_str());
        return 1;
    }

    std::printf("plugin:          %s\n", path.c_str());
    std::printf("effect name:     %s\n", plugin.EffectName().c_str());
    std::printf("vendor:          %s\n", plugin.VendorString().c_str());
    std::printf("product:         %s\n", plugin.ProductString().c_str());
    std::printf("magic:           0x%08X '%s'\n", static_cast<unsigned>(e.magic),
                FourCC(e.magic).c_str());
    std::printf("unique ID:       0x%08X '%s' (%d)\n", static_cast<unsigned>(e.uniqueID),
                FourCC(e.uniqueID).c_str(), e.uniqueID);
    std::printf("version:         %d\n", e.version);
    std::printf("vendor version:  %ld\n", static_cast<long>(plugin.Dispatch(effGetVendorVersion)));
    std::printf("VST version:     %ld\n", static_cast<long>(plugin.Dispatch(effGetVstVersion)));
    VstIntPtr category = plugin.Dispatch(effGetPlugCategory);
    std::printf("category:        %ld (%s)\n", static_cast<long>(category), CategoryName(category));
    std::printf("flags:           0x%X (%d): %s\n", static_cast<unsigned>(e.flags), e.flags,
                DecodeFlags(e.flags).c_str());
    std::printf("inputs:          %d\n", e.numInputs);
    std::printf("outputs:         %d\n", e.numOutputs);
    std::printf("programs:        %d (current %ld \"%s\")\n", e.numPrograms,
                static_cast<long>(plugin.Dispatch(effGetProgram)), plugin.ProgramName().c_str());
    std::printf("initial delay:   %d samples\n", e.initialDelay);
    std::printf("tail size:       %ld\n", static_cast<long>(plugin.Dispatch(effGetTailSize)));
    if ((e.flags & effFlagsHasEditor) != 0)
    {
        ERect* rect = nullptr;
        if (plugin.Dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr)
            std::printf("editor:          %d x %d\n", rect->right - rect->left,
                        rect->bottom - rect->top);
    }
    PrintPins(plugin, effGetInputProperties, e.numInputs, "input pins");
    PrintPins(plugin, effGetOutputProperties, e.numOutputs, "output pins");

    if (args.Has("preset"))
        std::printf("preset:          %s, \"%s\" for '%s' version %d (values below are the "
                    "preset's)\n",
                    preset.KindName(), preset.IsBank() ? "" : preset.program.name.c_str(),
                    PresetFile::FourCC(preset.UniqueId()).c_str(), preset.PluginVersion());
    std::printf("parameters:      %d\n", e.numParams);
    std::printf("  %3s  %-24s %-16s %-10s %s\n", "#", "name", "display", "label", "normalised");
    for (VstInt32 i = 0; i < e.numParams; ++i)
    {
        std::printf("  %3d  %-24s %-16s %-10s %.6f\n", i, plugin.ParameterName(i).c_str(),
                    ParameterText::Trim(plugin.ParameterDisplay(i)).c_str(),
                    ParameterText::Trim(plugin.ParameterLabel(i)).c_str(),
                    static_cast<double>(plugin.GetParameter(i)));
    }
    plugin.Close();
    return 0;
}
