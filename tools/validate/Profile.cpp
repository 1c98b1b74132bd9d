#include "tools/validate/Profile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace validate
{

// Defined in the generated BuiltinProfiles.cpp: the texts of
// tools/validate/profiles/*.profile with their names, null-terminated.
extern const char* const kBuiltinProfileTexts[];
extern const char* const kBuiltinProfileNames[];

namespace
{

std::string Trim(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return std::string();
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool ParseNormalised(const std::string& text, float& value)
{
    double v = 0.0;
    if (!ParseNumber(text, v) || v < 0.0 || v > 1.0) return false;
    // Through strtof, as the literal the profile's author would write in C++.
    value = std::strtof(text.c_str(), nullptr);
    return true;
}

// "name = rest": the name before the last " = ", both trimmed.
bool SplitAssignment(const std::string& text, std::string& name, std::string& rest)
{
    const auto at = text.rfind(" = ");
    if (at == std::string::npos) return false;
    name = Trim(text.substr(0, at));
    rest = Trim(text.substr(at + 3));
    return !name.empty() && !rest.empty();
}

bool ParseUniqueId(const std::string& text, VstInt32& id)
{
    if (text.size() == 4 &&
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    {
        id = VstFourCC(text[0], text[1], text[2], text[3]);
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || errno != 0 || end != text.c_str() + text.size() || v < INT32_MIN ||
        v > UINT32_MAX)
        return false;
    id = static_cast<VstInt32>(static_cast<uint32_t>(v));
    return true;
}

// Parses one "key: value" line into profile; answers an error text or "".
std::string ParseLine(const std::string& key, const std::string& value, Profile& profile)
{
    std::string name, rest;
    if (key == "unique-id")
    {
        if (!ParseUniqueId(value, profile.uniqueId))
            return "unique ID \"" + value + "\" is neither four characters nor a number";
        profile.hasUniqueId = true;
    }
    else if (key == "unity")
    {
        if (!SplitAssignment(value, name, rest)) return "expected \"parameter = text\"";
        profile.unity.push_back({name, 0.0f, rest});
    }
    else if (key == "selector")
    {
        profile.selector = value;
    }
    else if (key == "model")
    {
        if (!SplitAssignment(value, name, rest)) return "expected \"model = value [coupled]\"";
        Profile::Model model;
        model.name = name;
        std::istringstream words(rest);
        std::string number, flag, extra;
        words >> number >> flag >> extra;
        if (!ParseNormalised(number, model.value))
            return "model value \"" + number + "\" is not a number from 0 to 1";
        if (!extra.empty() || (!flag.empty() && flag != "coupled"))
            return "a model takes only the word \"coupled\" after its value";
        model.coupled = flag == "coupled";
        profile.models.push_back(model);
    }
    else if (key == "switch" || key == "external-sidechain")
    {
        if (!SplitAssignment(value, name, rest)) return "expected \"parameter = label\"";
        if (rest.find_first_of(" \t") != std::string::npos) return "a label is one word";
        if (key == "switch")
            profile.switches.push_back({name, rest});
        else
            profile.externalSidechain = {name, rest};
    }
    else if (key == "random")
    {
        profile.randomised.push_back(value);
    }
    else if (key == "analog")
    {
        profile.analog = value;
    }
    else if (key == "analog-harmonics")
    {
        std::istringstream terms(value);
        std::string term;
        while (terms >> term)
        {
            const auto colon = term.find(':');
            double power = 0.0, coefficient = 0.0;
            if (colon == std::string::npos || !ParseNumber(term.substr(0, colon), power) ||
                !ParseNumber(term.substr(colon + 1), coefficient) || power < 1.0 || power > 64.0 ||
                power != std::floor(power) || coefficient < 0.0)
                return "harmonic \"" + term + "\" is not \"power:coefficient\"";
            profile.analogHarmonics.emplace_back(static_cast<int>(power), coefficient);
        }
    }
    else if (key == "recovery" || key == "bench" || key == "bench-neutral")
    {
        if (!SplitAssignment(value, name, rest)) return "expected \"parameter = value\"";
        std::string number = rest, model;
        if (key == "bench-neutral")
        {
            const auto on = rest.find(" on ");
            if (on == std::string::npos) return "expected \"parameter = value on model\"";
            number = Trim(rest.substr(0, on));
            model = Trim(rest.substr(on + 4));
        }
        Profile::Setting setting{name, 0.0f, std::string()};
        if (!ParseNormalised(number, setting.value))
            return "value \"" + number + "\" is not a number from 0 to 1";
        if (key == "recovery")
            profile.recovery.push_back(setting);
        else if (key == "bench")
            profile.bench.push_back(setting);
        else
        {
            profile.benchNeutral = setting;
            profile.benchNeutralModel = model;
        }
    }
    else
    {
        return "unknown key \"" + key + "\"";
    }
    return std::string();
}

} // namespace

std::vector<std::string> Profile::ParameterNames() const
{
    std::vector<std::string> names;
    auto add = [&](const std::string& name)
    {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    };
    for (const auto& s : unity)
        add(s.parameter);
    add(selector);
    for (const auto& s : switches)
        add(s.parameter);
    for (const auto& r : randomised)
        add(r);
    add(externalSidechain.parameter);
    add(analog);
    for (const auto& s : recovery)
        add(s.parameter);
    for (const auto& s : bench)
        add(s.parameter);
    add(benchNeutral.parameter);
    return names;
}

double Profile::OutputPeakBound(double inputPeak, bool analogOn) const
{
    double peak = inputPeak;
    if (analogOn && !analogHarmonics.empty())
    {
        const double copy = 2.0 * inputPeak;
        double harmonics = 0.0;
        for (const auto& [power, coefficient] : analogHarmonics)
            harmonics += coefficient * std::pow(copy, power);
        peak = 2.0 * (inputPeak + harmonics);
    }
    // The floor covers the analog noise on silent input.
    return 10.0 * peak + 0.01;
}

bool ParseProfile(const std::string& text, const std::string& name, Profile& profile,
                  std::string& error)
{
    profile = Profile();
    profile.name = name;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number)
    {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        const auto colon = line.find(':');
        std::string problem;
        if (colon == std::string::npos)
            problem = "expected \"key: value\"";
        else if (Trim(line.substr(colon + 1)).empty())
            problem = "no value after \"" + Trim(line.substr(0, colon)) + ":\"";
        else
            problem = ParseLine(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)), profile);
        if (!problem.empty())
        {
            error = "profile \"" + name + "\" line " + std::to_string(number) + ": " + problem;
            return false;
        }
    }
    if (!profile.benchNeutral.parameter.empty() &&
        std::none_of(profile.models.begin(), profile.models.end(),
                     [&](const Profile::Model& m) { return m.name == profile.benchNeutralModel; }))
    {
        error = "profile \"" + name + "\": bench-neutral names the model \"" +
                profile.benchNeutralModel + "\", which no model line gives";
        return false;
    }
    if (!profile.models.empty() && profile.selector.empty())
    {
        error = "profile \"" + name + "\": models without a selector";
        return false;
    }
    return true;
}

bool LoadProfile(const std::string& path, Profile& profile, std::string& error)
{
    std::ifstream file(path);
    if (!file)
    {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    name = name.substr(0, name.rfind('.'));
    return ParseProfile(text.str(), name, profile, error);
}

namespace
{

struct Builtin
{
    std::vector<Profile> profiles;
    std::vector<std::string> errors;
};

const Builtin& ParsedBuiltins()
{
    static const Builtin builtin = []
    {
        Builtin b;
        for (int i = 0; kBuiltinProfileTexts[i] != nullptr; ++i)
        {
            Profile profile;
            std::string error;
            if (ParseProfile(kBuiltinProfileTexts[i], kBuiltinProfileNames[i], profile, error))
                b.profiles.push_back(std::move(profile));
            else
                b.errors.push_back(error);
        }
        return b;
    }();
    return builtin;
}

} // namespace

const std::vector<Profile>& BuiltinProfiles()
{
    return ParsedBuiltins().profiles;
}

const std::vector<std::string>& BuiltinProfileErrors()
{
    return ParsedBuiltins().errors;
}

const Profile* ProfileChoice::For(VstInt32 uniqueId) const
{
    switch (kind)
    {
    case None:
        return nullptr;
    case Given:
        return &given;
    default:
        for (const Profile& profile : BuiltinProfiles())
            if (profile.hasUniqueId && profile.uniqueId == uniqueId) return &profile;
        return nullptr;
    }
}

} // namespace validate
