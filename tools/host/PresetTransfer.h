#pragma once

#include "PluginInstance.h"
#include "PresetFile.h"

#include <string>

// Carries preset files into and out of a plug-in, as a host's "load preset"
// and "save preset" do. Dispatcher thread (the caller's), like every other
// PluginInstance call.
class PresetTransfer
{
  public:
    // The current program as an "FPCh" file (effGetChunk for a program), or
    // every program as an "FBCh" file (effGetChunk for the bank). False with
    // error when the plug-in hands over no chunk.
    static bool CaptureProgram(PluginInstance& plugin, PresetFile& out, std::string& error);
    static bool CaptureBank(PluginInstance& plugin, PresetFile& out, std::string& error);
    // The bank for a path ending in ".fxb" (any case), else the program.
    static bool CaptureFor(const std::string& path, PluginInstance& plugin, PresetFile& out,
                           std::string& error);

    // Loads a preset into the plug-in:
    //   "FPCh": effSetChunk (program), then the program name;
    //   "FBCh": effSetChunk (bank);
    //   "FxCk": each parameter's normalised value, then the program name;
    //   "FxBk": program after program, effSetProgram, its values and name,
    //           then back to the bank's current program (version 2) or 0.
    // Refused, with error and the plug-in left exactly as it was: a preset
    // for another plug-in ID, a parameter list that does not match the
    // plug-in's parameter count, a value outside 0..1, more programs than
    // the plug-in has, and a chunk the plug-in does not accept (a refused
    // chunk may have changed some values before the plug-in gave up, so the
    // state from before is put back).
    static bool Apply(const PresetFile& preset, PluginInstance& plugin, std::string& error);

  private:
    static bool Check(const PresetFile& preset, PluginInstance& plugin, std::string& error);
    static bool CheckProgram(const PresetFile::Program& p, PluginInstance& plugin,
                             std::string& error);
    static bool ApplyProgram(const PresetFile::Program& p, PluginInstance& plugin,
                             std::string& error);
    static void SetProgramName(PluginInstance& plugin, const std::string& name);
};
