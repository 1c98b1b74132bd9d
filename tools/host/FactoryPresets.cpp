#include "FactoryPresets.h"

#include "ParameterCatalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace
{

std::string Trim(const std::string& text)
{
    const char* space = " \t\r\n";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

bool FileExists(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return static_cast<bool>(file);
}

std::string Join(const std::string& directory, const std::string& name)
{
    if (directory.empty()) return name;
    const char last = directory.back();
    return last == '/' || last == '\\' ? directory + name : directory + "/" + name;
}

} // namespace

bool FactoryPresets::Parse(const std::string& text, std::vector<FactoryPreset>& out,
                           std::string& error)
{
    std::vector<FactoryPreset> presets;
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& why)
    {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (std::getline(in, raw))
    {
        ++lineNumber;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[')
        {
            if (line.back() != ']' || line.size() < 3) return fail("a preset name wants [Name]");
            FactoryPreset preset;
            preset.name = Trim(line.substr(1, line.size() - 2));
            for (const FactoryPreset& other : presets)
                if (ParameterText::EqualIgnoringCase(other.name, preset.name))
                    return fail("the name \"" + preset.name + "\" is given twice");
            presets.push_back(preset);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) return fail("expected KEY = VALUE");
        if (presets.empty()) return fail("a setting before the first [Name]");
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        FactoryPreset& preset = presets.back();
        if (key == "file")
            preset.file = value;
        else if (key == "about")
            preset.about = value;
        else if (key == "material")
            preset.material = value;
        else if (key == "set")
            preset.settings.push_back(value);
        else
            return fail("unknown key \"" + key + "\" (file, about, material or set)");
    }
    for (const FactoryPreset& preset : presets)
        if (preset.file.empty())
        {
            error = "the preset \"" + preset.name + "\" names no file";
            return false;
        }
    out = std::move(presets);
    return true;
}

bool FactoryPresets::Load(const std::string& directory, std::vector<FactoryPreset>& out,
                          std::string& error)
{
    const std::string path = Join(directory, kListName);
    std::ifstream file(path);
    if (!file)
    {
        error = "no preset list " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    if (!Parse(text.str(), out, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string FactoryPresets::ExecutableDirectory()
{
    std::string path;
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) path.assign(buffer, length);
#else
    char buffer[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) path.assign(buffer, static_cast<size_t>(length));
#endif
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FactoryPresets::Directory(const std::string& fallback)
{
    const char* fromEnvironment = std::getenv("KORVALA_PRESETS");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
    const std::string executable = ExecutableDirectory();
    if (!executable.empty())
    {
        const std::string installed = executable + "/../share/braskokorvala/presets";
        if (FileExists(Join(installed, kListName))) return installed;
    }
    return fallback;
}

std::string FactoryPresets::Resolve(const std::string& argument, const std::string& directory)
{
    if (FileExists(argument)) return argument;
    std::vector<FactoryPreset> presets;
    std::string ignored;
    if (!Load(directory, presets, ignored)) return argument;
    for (const FactoryPreset& preset : presets)
        if (ParameterText::EqualIgnoringCase(preset.name, argument)) return Join(directory, preset.file);
    return argument;
}
