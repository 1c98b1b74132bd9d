#pragma once

#include <string>
#include <vector>

// The arguments after the subcommand: positional words and "--name value"
// options (an option may repeat, e.g. --set). Options not in the allowed
// list, or lacking a value, make Parse fail with an error text.
class CommandLine
{
  public:
    bool Parse(int argc, char** argv, const std::vector<std::string>& allowedOptions,
               std::string& error);

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const;
    // The last value given for option, or fallback.
    std::string Get(const std::string& option, const std::string& fallback = "") const;
    std::vector<std::string> GetAll(const std::string& option) const;

    // Numeric option values; false with error when present but not a number
    // in [minimum, maximum].
    bool GetDouble(const std::string& option, double fallback, double minimum, double maximum,
                   double& value, std::string& error) const;
    bool GetInt(const std::string& option, long fallback, long minimum, long maximum, long& value,
                std::string& error) const;

  private:
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> options_;
};
