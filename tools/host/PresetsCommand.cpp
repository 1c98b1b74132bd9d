// korvala-host presets / make-presets, and the --preset options of the other
// commands: factory presets and .fxp/.fxb files.

#include "CommandLine.h"
#include "Commands.h"
#include "FactoryPresets.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"
#include "PresetFile.h"
#include "PresetTransfer.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef KORVALA_SOURCE_PRESETS
#define KORVALA_SOURCE_PRESETS ""
#endif

namespace
{

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
}

// A fresh instance with the preset's settings and its name as the program
// name, captured as an "FPCh" program.
bool BuildFactoryPreset(const std::string& pluginPath, const FactoryPreset& preset, PresetFile& out,
                        std::string& error)
{
    PluginInstance plugin;
    if (!plugin.Open(pluginPath))
    {
        error = "cannot load " + pluginPath + ": " + plugin.Error();
        return false;
    }
    if (ParameterAssignment::ApplyAll(plugin, preset.settings, error) != 0)
    {
        error = preset.name + ": " + error;
        return false;
    }
    std::vector<char> name(preset.name.begin(), preset.name.end());
    name.push_back('\0');
    plugin.Dispatch(effSetProgramName, 0, 0, name.data());
    return PresetTransfer::CaptureProgram(plugin, out, error);
}

} // namespace

std::string FactoryPresetDirectory()
{
    return FactoryPresets::Directory(KORVALA_SOURCE_PRESETS);
}

bool ApplyPresetOption(PluginInstance& plugin, const std::string& argument, PresetFile& preset,
                       std::string& error)
{
    const std::string path = FactoryPresets::Resolve(argument, FactoryPresetDirectory());
    if (!std::ifstream(path, std::ios::binary))
    {
        error = "no file \"" + argument +
                "\" and no factory preset of that name (korvala-host presets lists them)";
        return false;
    }
    PresetFile file;
    if (!file.Read(path, error)) return false;
    if (!PresetTransfer::Apply(file, plugin, error))
    {
        error = path + ": " + error;
        return false;
    }
    preset = std::move(file);
    return true;
}

bool SavePresetOption(PluginInstance& plugin, const std::string& path, std::string& error)
{
    PresetFile file;
    return PresetTransfer::CaptureFor(path, plugin, file, error) && file.Write(path, error);
}

int RunPresets(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv, {"dir"}, error) || !args.Positional().empty())
    {
        std::fprintf(stderr, "presets: %s\nusage: korvala-host presets [--dir DIR]\n",
                     error.empty() ? "no arguments expected" : error.c_str());
        return 2;
    }
    const std::string directory = args.Get("dir", FactoryPresetDirectory());
    std::vector<FactoryPreset> presets;
    if (!FactoryPresets::Load(directory, presets, error))
    {
        std::fprintf(stderr, "presets: %s\n", error.c_str());
        return 1;
    }
    std::printf("factory presets in %s (use --preset \"NAME\" or the file):\n", directory.c_str());
    for (const FactoryPreset& preset : presets)
        std::printf("  %-18s %-24s %s\n", preset.name.c_str(), preset.file.c_str(),
                    preset.about.c_str());
    return 0;
}

namespace
{

int MakeOrCheck(const char* command, bool check, int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv, {}, error) || args.Positional().size() != 2)
    {
        std::fprintf(stderr, "%s: %s\nusage: korvala-host %s PLUGIN.so DIR\n", command,
                     error.empty() ? "a plug-in and the presets' directory expected"
                                   : error.c_str(),
                     command);
        return 2;
    }
    const std::string& pluginPath = args.Positional()[0];
    const std::string& directory = args.Positional()[1];
    std::vector<FactoryPreset> presets;
    if (!FactoryPresets::Load(directory, presets, error))
    {
        std::fprintf(stderr, "%s: %s\n", command, error.c_str());
        return 1;
    }
    int status = 0;
    for (const FactoryPreset& preset : presets)
    {
        PresetFile file;
        if (!BuildFactoryPreset(pluginPath, preset, file, error))
        {
            std::fprintf(stderr, "%s: %s\n", command, error.c_str());
            return 1;
        }
        const std::string path = directory + "/" + preset.file;
        if (check)
        {
            const bool same = ReadAll(path) == file.Serialize();
            std::printf("%-8s %s (%s)\n", same ? "same" : "DIFFERS", path.c_str(),
                        preset.name.c_str());
            if (!same) status = 1;
        }
        else
        {
            if (!file.Write(path, error))
            {
                std::fprintf(stderr, "%s: %s\n", command, error.c_str());
                return 1;
            }
            std::printf("wrote    %s (%s)\n", path.c_str(), preset.name.c_str());
        }
    }
    return status;
}

} // namespace

int RunMakePresets(int argc, char** argv)
{
    return MakeOrCheck("make-presets", false, argc, argv);
}

int RunCheckPresets(int argc, char** argv)
{
    return MakeOrCheck("check-presets", true, argc, argv);
}
