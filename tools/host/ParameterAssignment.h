#pragma once

#include "PluginInstance.h"

#include <string>
#include <vector>

// A parameter setting from the command line: "Name=text" sets the value in
// the parameter's own units through effString2Parameter, as a host's text
// entry does ("Threshold=-20", "Model=FET"); "Name=@0.5" sets the normalised
// value directly. Names match exactly, else ignoring case.
class ParameterAssignment
{
  public:
    // Splits "Name=value"; false when there is no '=' or no name.
    bool Parse(const std::string& text);
    // Applies it to the plug-in; false with error when the name is unknown,
    // the normalised value is not a number in 0..1, or the plug-in refuses the text.
    bool Apply(PluginInstance& plugin, std::string& error) const;

    // Parses and applies each "Name=value" in order, as the tools' repeated
    // --set options give them: 0 when all took, 2 (with error) for a text
    // that is no assignment, 1 (with error) when the plug-in refused one.
    static int ApplyAll(PluginInstance& plugin, const std::vector<std::string>& texts,
                        std::string& error);

    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }

  private:
    std::string name_;
    std::string value_;
};
