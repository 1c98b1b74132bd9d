#include "ParameterAssignment.h"

#include <cstdlib>

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
    VstInt32 index = plugin.FindParameter(name_);
    if (index < 0)
    {
        error = "no parameter named \"" + name_ + "\"";
        return false;
    }
    if (!value_.empty() && value_[0] == '@')
    {
        const char* begin = value_.c_str() + 1;
        char* end = nullptr;
        double normalised = std::strtod(begin, &end);
        if (end == begin || *end != '\0' || !(normalised >= 0.0 && normalised <= 1.0))
        {
            error = "\"" + value_ + "\" is not a normalised value @0..1 for " + name_;
            return false;
        }
        plugin.SetParameter(index, static_cast<float>(normalised));
        return true;
    }
    if (plugin.SetParameterText(index, value_) == 0)
    {
        error = "the plug-in refused \"" + value_ + "\" for " + name_;
        return false;
    }
    return true;
}

int ParameterAssignment::ApplyAll(PluginInstance& plugin, const std::vector<std::string>& texts,
                                  std::string& error)
{
    for (const std::string& text : texts)
    {
        ParameterAssignment assignment;
        if (!assignment.Parse(text))
        {
            error = "--set wants NAME=VALUE, not \"" + text + "\"";
            return 2;
        }
        if (!assignment.Apply(plugin, error)) return 1;
    }
    return 0;
}
