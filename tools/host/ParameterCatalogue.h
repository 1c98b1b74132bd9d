#pragma once

#include "PluginInstance.h"

#include <string>
#include <vector>

// What a host can learn about a plug-in's parameters through the VST 2
// interface alone: names, unit labels, display texts, and the ranges read
// as the displays of the normalised ends 0 and 1. Learning them moves every
// parameter, so Probe wants an instance of its own that is thrown away
// afterwards (one freshly opened, at its defaults).
class ParameterCatalogue
{
  public:
    // A numeric range in the parameter's own units, as displayed.
    struct Range
    {
        double minimum = 0.0;
        double maximum = 0.0;
        std::string minimumText, maximumText;
    };

    // A range that differs while a switch shows one of its texts, reached
    // from the defaults by setting just that switch.
    struct RangeUnder
    {
        VstInt32 switchIndex = -1;
        std::string switchText;
        Range range;
    };

    struct Parameter
    {
        std::string name;
        std::string label;       // trimmed; empty for switches
        std::string defaultText; // the display at the defaults
        // A switch or an enumeration: the texts it displays, in the order of
        // its normalised values. Empty for a numeric parameter.
        std::vector<std::string> texts;
        Range range; // numeric parameters, at the defaults
        std::vector<RangeUnder> rangesUnder;
        bool IsNumeric() const { return texts.empty(); }
    };

    // Reads everything from plugin (which must be open and is left moved).
    void Probe(PluginInstance& plugin);

    const std::vector<Parameter>& Parameters() const { return parameters_; }
    // Index of the parameter whose name equals name (exactly, else ignoring
    // case), or -1.
    int Find(const std::string& name) const;

    // Seconds of silence to process after a file so that nothing the plug-in
    // still holds is cut: the longest release any "Release" parameter
    // (in ms) offers under any switch setting, plus the time a first-order
    // high-pass at the lowest "... Filter" corner (in Hz) takes to fall by
    // 120 dB, ln(10^6) / (2 pi f), which also covers the shorter
    // oversampling filters. A plug-in without such parameters gets 1 s.
    double DefaultTailSeconds() const;

    // The settings in one line as a host shows them: "Name display label, ...".
    static std::string DescribeSettings(PluginInstance& plugin);

  private:
    std::vector<Parameter> parameters_;
};

// Text helpers shared by the parameter tools.
namespace ParameterText
{
// Without leading and trailing white space.
std::string Trim(const std::string& text);
// Display and unit as a host shows them: each trimmed, joined by one space
// when both are present ("1" and " : 1" give "1 : 1").
std::string WithUnit(const std::string& display, const std::string& label);
// The whole text as one finite decimal number, white space around allowed.
bool ParseNumber(const std::string& text, double& value);
// A number optionally followed by the unit label, spaces not counted
// ("-20", "-20 dB", "-20dB", "4:1" for the label " : 1").
bool ParseNumberWithUnit(const std::string& text, const std::string& label, double& value);
bool EqualIgnoringCase(const std::string& a, const std::string& b);
} // namespace ParameterText
