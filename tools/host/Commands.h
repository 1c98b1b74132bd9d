#pragma once

#include "PresetFile.h"

#include <string>

class PluginInstance;

// The subcommands of korvala-host. Each takes the arguments after its own
// name, prints its findings to standard output and its complaints to standard
// error, and answers the process exit code (0 success).
int RunInfo(int argc, char** argv);
int RunRender(int argc, char** argv);
int RunBench(int argc, char** argv);
int RunGenDemo(int argc, char** argv);
int RunParams(int argc, char** argv);
// Resident memory per processing instance (Linux; elsewhere it says so).
int RunMemory(int argc, char** argv);
// Opens the plug-in's editor in a window of ours (X11 or Win32).
int RunEdit(int argc, char** argv);
// Factory presets: lists them; builds their .fxp files from their list, or
// checks that the files are what the list makes.
int RunPresets(int argc, char** argv);
int RunMakePresets(int argc, char** argv);
int RunCheckPresets(int argc, char** argv);


// The --preset and --save-preset options shared by render, info and edit.
// Where the factory presets are (see FactoryPresets::Directory).
std::string FactoryPresetDirectory();
// Loads a .fxp/.fxb file, or a factory preset by name, into the plug-in;
// false with error (the plug-in unchanged) when it cannot.
bool ApplyPresetOption(PluginInstance& plugin, const std::string& argument, PresetFile& preset,
                       std::string& error);
// Saves the current program (.fxp) or the bank (a path ending in .fxb).
bool SavePresetOption(PluginInstance& plugin, const std::string& path, std::string& error);
