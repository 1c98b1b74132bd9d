#pragma once

#include <string>
#include <vector>

// One factory preset as its list describes it: the program name, the .fxp
// file beside the list, a one-line description and the settings it is made
// of ("NAME=TEXT" as for --set, applied in order to a fresh instance).
struct FactoryPreset
{
    std::string name;
    std::string file;
    std::string about;
    std::string material; // what it was tuned on: vocal, drums, bass or mix
    std::vector<std::string> settings;
};

// The factory presets' list (presets.txt) and where it is found. The list is
// an INI-like text: "[Name]" opens a preset, then "file = ...",
// "about = ...", "material = ..." and any number of "set = NAME=TEXT" lines;
// '#' starts a comment line.
class FactoryPresets
{
  public:
    static constexpr const char* kListName = "presets.txt";

    // False with error (naming the line) for a line that is none of these,
    // a preset without a file, or a name given twice.
    static bool Parse(const std::string& text, std::vector<FactoryPreset>& out, std::string& error);
    // Reads directory/presets.txt.
    static bool Load(const std::string& directory, std::vector<FactoryPreset>& out,
                     std::string& error);

    // Where the presets are: $KORVALA_PRESETS if set and not empty, else
    // <directory of this program>/../share/braskokorvala/presets if it holds
    // a list (an installed host), else fallback (the source tree's, for a
    // build tree).
    static std::string Directory(const std::string& fallback);
    // The directory of the running executable, empty if unknown.
    static std::string ExecutableDirectory();

    // A --preset argument: an existing file stays as it is; otherwise a
    // factory preset whose name equals it (ignoring case) gives that
    // preset's file; otherwise the argument comes back unchanged, so that
    // reading it reports the missing file.
    static std::string Resolve(const std::string& argument, const std::string& directory);
};
