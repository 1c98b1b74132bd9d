#include "ParameterCatalogue.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ParameterText
{

std::string Trim(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

std::string WithUnit(const std::string& display, const std::string& label)
{
    const std::string d = Trim(display), l = Trim(label);
    if (d.empty()) return l;
    if (l.empty()) return d;
    return d + " " + l;
}

bool ParseNumber(const std::string& text, double& value)
{
    const std::string t = Trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    value = v;
    return true;
}

namespace
{
std::string WithoutSpaces(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return out;
}
} // namespace

bool ParseNumberWithUnit(const std::string& text, const std::string& label, double& value)
{
    if (ParseNumber(text, value)) return true;
    const std::string t = Trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || !std::isfinite(v)) return false;
    const std::string unit = WithoutSpaces(end);
    if (unit.empty() || !EqualIgnoringCase(unit, WithoutSpaces(label))) return false;
    value = v;
    return true;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace ParameterText

namespace
{

// Enough normalised steps to meet every value of a switch or enumeration
// with up to a few dozen entries (the plug-in rounds onto its steps).
constexpr int kSweepSteps = 256;

bool ReadRange(PluginInstance& plugin, int index, ParameterCatalogue::Range& range)
{
    plugin.SetParameter(index, 0.0f);
    range.minimumText = ParameterText::Trim(plugin.ParameterDisplay(index));
    plugin.SetParameter(index, 1.0f);
    range.maximumText = ParameterText::Trim(plugin.ParameterDisplay(index));
    return ParameterText::ParseNumber(range.minimumText, range.minimum) &&
           ParameterText::ParseNumber(range.maximumText, range.maximum);
}

bool SameRange(const ParameterCatalogue::Range& a, const ParameterCatalogue::Range& b)
{
    return a.minimumText == b.minimumText && a.maximumText == b.maximumText;
}

} // namespace

void ParameterCatalogue::Probe(PluginInstance& plugin)
{
    parameters_.clear();
    const int count = plugin.NumParams();
    parameters_.resize(static_cast<size_t>(count));

    // At the defaults: names, labels, displays; a parameter whose display is
    // no number at either end is a switch.
    for (int i = 0; i < count; ++i)
    {
        Parameter& p = parameters_[static_cast<size_t>(i)];
        p.name = plugin.ParameterName(i);
        p.label = ParameterText::Trim(plugin.ParameterLabel(i));
        p.defaultText = ParameterText::Trim(plugin.ParameterDisplay(i));
    }
    std::vector<float> defaults(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        defaults[static_cast<size_t>(i)] = plugin.GetParameter(i);

    for (int i = 0; i < count; ++i)
    {
        Parameter& p = parameters_[static_cast<size_t>(i)];
        double ignored = 0.0;
        if (ParameterText::ParseNumber(p.defaultText, ignored)) continue;
        for (int k = 0; k <= kSweepSteps; ++k)
        {
            plugin.SetParameter(i, static_cast<float>(k) / kSweepSteps);
            const std::string text = ParameterText::Trim(plugin.ParameterDisplay(i));
            if (std::find(p.texts.begin(), p.texts.end(), text) == p.texts.end())
                p.texts.push_back(text);
        }
        plugin.SetParameterText(i, p.defaultText);
    }

    for (int i = 0; i < count; ++i)
    {
        Parameter& p = parameters_[static_cast<size_t>(i)];
        if (p.IsNumeric()) ReadRange(plugin, i, p.range);
    }

    // Ranges that a switch changes (for example times that follow a model).
    for (int s = 0; s < count; ++s)
    {
        const Parameter& sw = parameters_[static_cast<size_t>(s)];
        if (sw.IsNumeric()) continue;
        std::vector<std::vector<RangeUnder>> found(static_cast<size_t>(count));
        for (const std::string& text : sw.texts)
        {
            plugin.SetParameterText(s, sw.defaultText);
            plugin.SetParameterText(s, text);
            for (int i = 0; i < count; ++i)
            {
                if (!parameters_[static_cast<size_t>(i)].IsNumeric()) continue;
                RangeUnder under;
                under.switchIndex = s;
                under.switchText = text;
                ReadRange(plugin, i, under.range);
                found[static_cast<size_t>(i)].push_back(under);
            }
        }
        plugin.SetParameterText(s, sw.defaultText);
        for (int i = 0; i < count; ++i)
        {
            auto& list = found[static_cast<size_t>(i)];
            Parameter& p = parameters_[static_cast<size_t>(i)];
            const bool varies =
                std::any_of(list.begin(), list.end(),
                            [&](const RangeUnder& u) { return !SameRange(u.range, p.range); });
            if (varies) p.rangesUnder.insert(p.rangesUnder.end(), list.begin(), list.end());
        }
    }
    for (int i = 0; i < count; ++i)
        plugin.SetParameter(i, defaults[static_cast<size_t>(i)]);
}

int ParameterCatalogue::Find(const std::string& name) const
{
    for (size_t i = 0; i < parameters_.size(); ++i)
        if (parameters_[i].name == name) return static_cast<int>(i);
    for (size_t i = 0; i < parameters_.size(); ++i)
        if (ParameterText::EqualIgnoringCase(parameters_[i].name, name)) return static_cast<int>(i);
    return -1;
}

double ParameterCatalogue::DefaultTailSeconds() const
{
    auto contains = [](std::string text, std::string word)
    {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text.find(word) != std::string::npos;
    };
    double releaseMs = -1.0, lowestHz = -1.0;
    for (const Parameter& p : parameters_)
    {
        if (!p.IsNumeric()) continue;
        std::vector<Range> ranges{p.range};
        for (const RangeUnder& under : p.rangesUnder)
            ranges.push_back(under.range);
        for (const Range& r : ranges)
        {
            if (contains(p.name, "release") && p.label == "ms")
                releaseMs = std::max(releaseMs, std::max(r.minimum, r.maximum));
            if (contains(p.name, "filter") && p.label == "Hz" && r.minimum > 0.0)
                lowestHz = lowestHz < 0.0 ? r.minimum : std::min(lowestHz, r.minimum);
        }
    }
    if (releaseMs < 0.0 && lowestHz < 0.0) return 1.0;
    const double pi = 3.14159265358979323846;
    double seconds = std::max(0.0, releaseMs) / 1000.0;
    if (lowestHz > 0.0) seconds += std::log(1e6) / (2.0 * pi * lowestHz);
    return seconds;
}

std::string ParameterCatalogue::DescribeSettings(PluginInstance& plugin)
{
    std::string line;
    for (int i = 0; i < plugin.NumParams(); ++i)
    {
        if (i > 0) line += ", ";
        line += plugin.ParameterName(i) + " " +
                ParameterText::WithUnit(plugin.ParameterDisplay(i), plugin.ParameterLabel(i));
    }
    return line;
}
