#pragma once

#include "ParameterCatalogue.h"
#include "PluginInstance.h"

#include <string>
#include <vector>

// A parameter setting from the command line: "Name=text" sets the value in
// the parameter's own units through effString2Parameter, as a host's text
// entry does ("Threshold=-20", "Threshold=-20 dB", "Model Type=FET");
// "Name=@0.5" sets the normalised value directly. Names match exactly, else
// ignoring case.
//
// The plug-in itself reads any text as a number and clamps it, so the host is
// the strict one: a numeric parameter takes only a number (optionally
// followed by its unit) inside the range in force, a switch or enumeration
// only one of its display texts (ignoring case); anything else is refused
// with the range or the texts allowed, and nothing is changed.
class ParameterAssignment
{
  public:
    // Splits "Name=value"; false when there is no '=' or no name.
    bool Parse(const std::string& text);
    // Checks and applies it to the plug-in; false with error when the name is
    // unknown, the normalised value is not a number in 0..1, or the text is
    // not allowed (see above). catalogue describes the same plug-in.
    bool Apply(PluginInstance& plugin, const ParameterCatalogue& catalogue,
               std::string& error) const;
    // The same, learning the catalogue from a fresh instance of the plug-in's
    // library first.
    bool Apply(PluginInstance& plugin, std::string& error) const;

    // Parses and applies each "Name=value", as the tools' repeated --set
    // options give them. Settings of switches and enumerations go first, in
    // their given order, then the rest: a switch may change the ranges of
    // others (a model its attack and release), and a value typed in
    // milliseconds is meant in the range of the model chosen. Answers 0
    // when all took, 2 (with error) for a text that is no assignment or is
    // refused, 1 (with error) when the plug-in refused an allowed one (or, for
    // the second form, its parameters could not be read).
    static int ApplyAll(PluginInstance& plugin, const ParameterCatalogue& catalogue,
                        const std::vector<std::string>& texts, std::string& error);
    static int ApplyAll(PluginInstance& plugin, const std::vector<std::string>& texts,
                        std::string& error);

    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }

  private:
    // 0 applied, 2 refused by our checks, 1 refused by the plug-in.
    int ApplyChecked(PluginInstance& plugin, const ParameterCatalogue& catalogue,
                     std::string& error) const;

    std::string name_;
    std::string value_;
};
