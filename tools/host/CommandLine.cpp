#include "CommandLine.h"

#include <algorithm>
#include <cstdlib>

bool CommandLine::Parse(int argc, char** argv, const std::vector<std::string>& allowedOptions,
                        std::string& error)
{
    for (int i = 0; i < argc; ++i)
    {
        std::string word = argv[i];
        if (word.size() > 2 && word.compare(0, 2, "--") == 0)
        {
            std::string name = word.substr(2);
            if (std::find(allowedOptions.begin(), allowedOptions.end(), name) ==
                allowedOptions.end())
            {
                error = "unknown option " + word;
                return false;
            }
            if (i + 1 >= argc)
            {
                error = "option " + word + " needs a value";
                return false;
            }
            options_.emplace_back(name, argv[++i]);
        }
        else
        {
            positional_.push_back(word);
        }
    }
    return true;
}

bool CommandLine::Has(const std::string& option) const
{
    return std::any_of(options_.begin(), options_.end(),
                       [&](const auto& entry) { return entry.first == option; });
}

std::string CommandLine::Get(const std::string& option, const std::string& fallback) const
{
    std::string value = fallback;
    for (const auto& entry : options_)
        if (entry.first == option) value = entry.second;
    return value;
}

std::vector<std::string> CommandLine::GetAll(const std::string& option) const
{
    std::vector<std::string> values;
    for (const auto& entry : options_)
        if (entry.first == option) values.push_back(entry.second);
    return values;
}

bool CommandLine::GetDouble(const std::string& option, double fallback, double minimum,
                            double maximum, double& value, std::string& error) const
{
    value = fallback;
    if (!Has(option)) return true;
    std::string text = Get(option);
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= minimum && value <= maximum))
    {
        error = "--" + option + " wants a number from " + std::to_string(minimum) + " to " +
                std::to_string(maximum) + ", not \"" + text + "\"";
        return false;
    }
    return true;
}

bool CommandLine::GetInt(const std::string& option, long fallback, long minimum, long maximum,
                         long& value, std::string& error) const
{
    value = fallback;
    if (!Has(option)) return true;
    std::string text = Get(option);
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < minimum || value > maximum)
    {
        error = "--" + option + " wants a whole number from " + std::to_string(minimum) + " to " +
                std::to_string(maximum) + ", not \"" + text + "\"";
        return false;
    }
    return true;
}
