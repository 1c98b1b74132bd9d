#include "PresetTransfer.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace
{

std::string IdText(int32_t id)
{
    return "'" + PresetFile::FourCC(id) + "' (" + std::to_string(id) + ")";
}

bool EndsWithFxb(const std::string& path)
{
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".fxb";
}

} // namespace

bool PresetTransfer::CaptureProgram(PluginInstance& plugin, PresetFile& out, std::string& error)
{
    std::vector<uint8_t> chunk = plugin.GetChunk(true);
    if (chunk.empty())
    {
        error = "the plug-in handed over no program chunk";
        return false;
    }
    const AEffect& e = *plugin.Effect();
    PresetFile file;
    file.kind = PresetFile::Kind::ProgramChunk;
    file.program.opaque = true;
    file.program.uniqueId = e.uniqueID;
    file.program.pluginVersion = e.version;
    file.program.numParams = e.numParams;
    file.program.name = plugin.ProgramName();
    file.program.chunk = std::move(chunk);
    out = std::move(file);
    return true;
}

bool PresetTransfer::CaptureBank(PluginInstance& plugin, PresetFile& out, std::string& error)
{
    std::vector<uint8_t> chunk = plugin.GetChunk(false);
    if (chunk.empty())
    {
        error = "the plug-in handed over no bank chunk";
        return false;
    }
    const AEffect& e = *plugin.Effect();
    PresetFile file;
    file.kind = PresetFile::Kind::BankChunk;
    file.bankFormatVersion = 1;
    file.bankUniqueId = e.uniqueID;
    file.bankPluginVersion = e.version;
    file.numPrograms = e.numPrograms;
    file.bankChunk = std::move(chunk);
    out = std::move(file);
    return true;
}

bool PresetTransfer::CaptureFor(const std::string& path, PluginInstance& plugin, PresetFile& out,
                                std::string& error)
{
    return EndsWithFxb(path) ? CaptureBank(plugin, out, error) : CaptureProgram(plugin, out, error);
}

bool PresetTransfer::CheckProgram(const PresetFile::Program& p, PluginInstance& plugin,
                                  std::string& error)
{
    const AEffect& e = *plugin.Effect();
    if (p.uniqueId != e.uniqueID)
    {
        error = "the preset is for the plug-in " + IdText(p.uniqueId) + ", not for " +
                IdText(e.uniqueID);
        return false;
    }
    if (p.opaque) return true;
    if (p.numParams != e.numParams)
    {
        error = "the preset holds " + std::to_string(p.numParams) +
                " parameter values, the plug-in has " + std::to_string(e.numParams);
        return false;
    }
    for (size_t i = 0; i < p.params.size(); ++i)
        if (!(p.params[i] >= 0.0f && p.params[i] <= 1.0f))
        {
            error = "the value of parameter " + std::to_string(i) + " is not in 0..1";
            return false;
        }
    return true;
}

bool PresetTransfer::Check(const PresetFile& preset, PluginInstance& plugin, std::string& error)
{
    if (!plugin.IsOpen())
    {
        error = "no plug-in is loaded";
        return false;
    }
    const AEffect& e = *plugin.Effect();
    if (!preset.IsBank()) return CheckProgram(preset.program, plugin, error);
    if (preset.bankUniqueId != e.uniqueID)
    {
        error = "the bank is for the plug-in " + IdText(preset.bankUniqueId) + ", not for " +
                IdText(e.uniqueID);
        return false;
    }
    if (preset.kind == PresetFile::Kind::BankChunk) return true;
    if (static_cast<int32_t>(preset.programs.size()) > e.numPrograms)
    {
        error = "the bank holds " + std::to_string(preset.programs.size()) +
                " programs, the plug-in has " + std::to_string(e.numPrograms);
        return false;
    }
    for (size_t i = 0; i < preset.programs.size(); ++i)
        if (!CheckProgram(preset.programs[i], plugin, error))
        {
            error = "program " + std::to_string(i + 1) + " of the bank: " + error;
            return false;
        }
    return true;
}

void PresetTransfer::SetProgramName(PluginInstance& plugin, const std::string& name)
{
    if (name.empty()) return;
    // VST 2 names a program in 24 characters; the file's field holds 27, and
    // a name read from it is passed whole.
    char text[PresetFile::kNameBytes + 1] = {};
    name.copy(text, std::min(name.size(), sizeof text - 1));
    plugin.Dispatch(effSetProgramName, 0, 0, text);
}

bool PresetTransfer::ApplyProgram(const PresetFile::Program& p, PluginInstance& plugin,
                                  std::string& error)
{
    if (p.opaque)
    {
        if (!plugin.SetChunk(true, p.chunk))
        {
            error = "the plug-in refused the program chunk (" + std::to_string(p.chunk.size()) +
                    " bytes)";
            return false;
        }
    }
    else
    {
        for (size_t i = 0; i < p.params.size(); ++i)
            plugin.SetParameter(static_cast<VstInt32>(i), p.params[i]);
    }
    SetProgramName(plugin, p.name);
    return true;
}

bool PresetTransfer::Apply(const PresetFile& preset, PluginInstance& plugin, std::string& error)
{
    if (!Check(preset, plugin, error)) return false;

    // A refused chunk is only found out by trying it, and the plug-in may
    // have taken some values before refusing; its bank chunk from before
    // holds every program and the current values, and puts them back.
    const std::vector<uint8_t> before = plugin.GetChunk(false);
    const VstIntPtr programBefore = plugin.Dispatch(effGetProgram);
    auto restore = [&]()
    {
        if (plugin.Dispatch(effGetProgram) != programBefore)
            plugin.Dispatch(effSetProgram, 0, programBefore);
        if (!before.empty()) plugin.SetChunk(false, before);
    };

    bool ok = true;
    switch (preset.kind)
    {
    case PresetFile::Kind::ProgramParams:
    case PresetFile::Kind::ProgramChunk:
        ok = ApplyProgram(preset.program, plugin, error);
        break;
    case PresetFile::Kind::BankChunk:
        ok = plugin.SetChunk(false, preset.bankChunk);
        if (!ok)
            error = "the plug-in refused the bank chunk (" +
                    std::to_string(preset.bankChunk.size()) + " bytes)";
        break;
    case PresetFile::Kind::BankPrograms:
        for (size_t i = 0; ok && i < preset.programs.size(); ++i)
        {
            plugin.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(i));
            ok = ApplyProgram(preset.programs[i], plugin, error);
            if (!ok) error = "program " + std::to_string(i + 1) + " of the bank: " + error;
        }
        if (ok)
        {
            const int32_t current =
                preset.currentProgram >= 0 &&
                        preset.currentProgram < static_cast<int32_t>(preset.programs.size())
                    ? preset.currentProgram
                    : 0;
            plugin.Dispatch(effSetProgram, 0, current);
        }
        break;
    }
    if (!ok) restore();
    return ok;
}
