#include "ParameterAssignment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

std::string JoinAlternatives(const std::vector<std::string>& texts)
{
    std::string out;
    for (size_t i = 0; i < texts.size(); ++i)
    {
        if (i > 0) out += i + 1 == texts.size() ? " or " : ", ";
        out += texts[i];
    }
    return out;
}

std::string NumberText(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// The range in force: the catalogue's, or the one it learned under the
// setting a switch shows now (read without moving anything).
const ParameterCatalogue::Range& RangeInForce(PluginInstance& plugin,
                                              const ParameterCatalogue::Parameter& p)
{
    for (const ParameterCatalogue::RangeUnder& under : p.rangesUnder)
        if (ParameterText::Trim(plugin.ParameterDisplay(under.switchIndex)) == under.switchText)
            return under.range;
    return p.range;
}

bool ProbeFresh(const PluginInstance& like, ParameterCatalogue& catalogue, std::string& error)
{
    PluginInstance fresh;
    const bool opened =
        like.Path().empty() ? fresh.OpenEntry(like.Entry()) : fresh.Open(like.Path());
    if (!opened)
    {
        error = "cannot read the plug-in's parameters: " + fresh.Error();
        return false;
    }
    catalogue.Probe(fresh);
    fresh.Close();
    return true;
}

} // namespace

bool ParameterAssignment::Parse(const std::string& text)
{
    size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) return false;
    name_ = text.substr(0, equals);
    value_ = text.substr(equals + 1);
    return true;
}

bool ParameterAssignment::Apply(PluginInstance& plugin, std::string& error) const
{
    ParameterCatalogue catalogue;
    return ProbeFresh(plugin, catalogue, error) && Apply(plugin, catalogue, error);
}

bool ParameterAssignment::Apply(PluginInstance& plugin, const ParameterCatalogue& catalogue,
                                std::string& error) const
{
    return ApplyChecked(plugin, catalogue, error) == 0;
}

int ParameterAssignment::ApplyChecked(PluginInstance& plugin, const ParameterCatalogue& catalogue,
                                      std::string& error) const
{
    const int index = catalogue.Find(name_);
    if (index < 0 || index >= plugin.NumParams())
    {
        std::vector<std::string> names;
        for (const auto& p : catalogue.Parameters())
            names.push_back("\"" + p.name + "\"");
        error =
            "no parameter named \"" + name_ + "\"; the parameters are " + JoinAlternatives(names);
        return 2;
    }
    const ParameterCatalogue::Parameter& p = catalogue.Parameters()[static_cast<size_t>(index)];
    if (!value_.empty() && value_[0] == '@')
    {
        double normalised = 0.0;
        if (!ParameterText::ParseNumber(value_.substr(1), normalised) ||
            !(normalised >= 0.0 && normalised <= 1.0))
        {
            error = "\"" + value_ + "\" is not a normalised value @0..1 for " + p.name;
            return 2;
        }
        plugin.SetParameter(index, static_cast<float>(normalised));
        return 0;
    }

    std::string text;
    if (!p.IsNumeric())
    {
        const std::string wanted = ParameterText::Trim(value_);
        auto match = std::find_if(p.texts.begin(), p.texts.end(),
                                  [&](const std::string& t)
                                  { return ParameterText::EqualIgnoringCase(t, wanted); });
        if (match == p.texts.end())
        {
            error = "\"" + value_ + "\" is not a setting of " + p.name + ": use " +
                    JoinAlternatives(p.texts);
            return 2;
        }
        text = *match; // the plug-in matches its texts exactly
    }
    else
    {
        double value = 0.0;
        const bool isNumber = ParameterText::ParseNumberWithUnit(value_, p.label, value);
        const ParameterCatalogue::Range& range = RangeInForce(plugin, p);
        const std::string span =
            range.minimumText + " to " + ParameterText::WithUnit(range.maximumText, p.label);
        // The ends as displayed may be rounded to the display's decimals.
        const double slack =
            1e-9 * std::max({1.0, std::fabs(range.minimum), std::fabs(range.maximum)});
        const bool inside =
            isNumber && value >= range.minimum - slack && value <= range.maximum + slack;
        if (!inside)
        {
            error = isNumber ? p.name + " " + ParameterText::Trim(value_) +
                                   " is outside its range, " + span
                             : "\"" + value_ + "\" is not a number for " + p.name + ": give " +
                                   span + " (or @0..1 for the knob position)";
            return 2;
        }
        text = NumberText(value);
    }
    if (plugin.SetParameterText(index, text) == 0)
    {
        error = "the plug-in refused \"" + text + "\" for " + p.name;
        return 1;
    }
    return 0;
}

int ParameterAssignment::ApplyAll(PluginInstance& plugin, const ParameterCatalogue& catalogue,
                                  const std::vector<std::string>& texts, std::string& error)
{
    std::vector<ParameterAssignment> assignments;
    for (const std::string& text : texts)
    {
        ParameterAssignment assignment;
        if (!assignment.Parse(text))
        {
            error = "--set wants NAME=VALUE, not \"" + text + "\"";
            return 2;
        }
        assignments.push_back(assignment);
    }
    auto isSwitch = [&](const ParameterAssignment& a)
    {
        const int index = catalogue.Find(a.Name());
        return index >= 0 && !catalogue.Parameters()[static_cast<size_t>(index)].IsNumeric();
    };
    std::stable_partition(assignments.begin(), assignments.end(), isSwitch);
    for (const ParameterAssignment& assignment : assignments)
        if (const int result = assignment.ApplyChecked(plugin, catalogue, error)) return result;
    return 0;
}

int ParameterAssignment::ApplyAll(PluginInstance& plugin, const std::vector<std::string>& texts,
                                  std::string& error)
{
    if (texts.empty()) return 0;
    ParameterCatalogue catalogue;
    if (!ProbeFresh(plugin, catalogue, error)) return 1;
    return ApplyAll(plugin, catalogue, texts, error);
}
