#pragma once

#include "vst/VstInterface.h"

#include <string>
#include <utility>
#include <vector>

namespace validate
{

// What the validator knows about one plug-in beyond the VST 2 interface:
// which of its parameters carry which role, so that the phases can run every
// model and switch, hold the gains at unity and judge the output against the
// plug-in's own worst case. Parameters are named as the plug-in names them
// (effGetParamName) and found when an instance is opened. A plug-in without a
// profile gets the generic checks only.
//
// A profile is a text file of "key: value" lines ('#' starts a comment line):
//   unique-id: BkKv                   the plug-in it applies to: four characters, not
//                                     all digits, or a number (0x426B4B76)
//   unity: Input Gain = 0             text set through effString2Parameter for unity gain
//   selector: Model Type              the parameter that selects the model
//   model: FET = 0.5 coupled          a model, its normalised selector value; "coupled":
//                                     its detector hears both channels
//   switch: Oversampling = os         an on/off parameter run both ways; its label in reports
//   random: Threshold                 drawn at random for every matrix configuration
//   external-sidechain: External Sidechain = extsc   routes inputs 3 and 4 to the detector
//   analog: Analog Emulation          the analog stage's switch: while on, each instance
//                                     draws its own right-channel offset (twins are
//                                     compared on the left channel), and the output
//                                     bound adds the harmonics (see OutputPeakBound)
//   analog-harmonics: 2:0.25 3:0.15   coefficient of each power of the stage's
//                                     band-limited copy in its worst case
//   recovery: Threshold = 0.7         normalised settings for the recovery phase
//   bench: Release = 0                normalised settings for the denormal benchmark
//   bench-neutral: Ratio = 0 on FET   the benchmark's last scenario: the model compresses,
//                                     then the parameter goes to the value
// In "name = value" the value follows the last " = ", so names may hold one.
struct Profile
{
    struct Setting
    {
        std::string parameter;
        float value = 0.0f; // normalised
        std::string text;   // for unity settings: the text passed to the plug-in
    };
    struct Model
    {
        std::string name;
        float value = 0.0f;
        bool coupled = false;
    };
    struct Switch
    {
        std::string parameter; // empty: none
        std::string label;
    };

    std::string name; // for messages: the file name without its extension
    bool hasUniqueId = false;
    VstInt32 uniqueId = 0;
    std::vector<Setting> unity;
    std::string selector;
    std::vector<Model> models;
    std::vector<Switch> switches;
    std::vector<std::string> randomised;
    Switch externalSidechain;
    std::string analog;
    std::vector<std::pair<int, double>> analogHarmonics; // power, coefficient
    std::vector<Setting> recovery;
    std::vector<Setting> bench;
    Setting benchNeutral; // parameter empty: no such scenario
    std::string benchNeutralModel;

    // Every parameter name the profile uses, each once, in order of appearance.
    std::vector<std::string> ParameterNames() const;

    // The largest output peak a healthy instance gives for an input peak,
    // with the unity settings applied and the analog stage on or off. A
    // compressor never adds gain, so ten times the input covers filter
    // overshoot; a filter that has blown up goes far past it. The analog
    // stage is the exception: its harmonics grow with powers of its
    // band-limited copy, so a hot input legitimately comes out far louder.
    // Its worst case is bounded with the copy at twice the input peak (the
    // band-limit filter's gain on any signal is below that) and twice the
    // result for the DC blocker's step response.
    double OutputPeakBound(double inputPeak, bool analogOn) const;
};

// Parses a profile's text. On failure answers false and says which line is
// wrong and why.
bool ParseProfile(const std::string& text, const std::string& name, Profile& profile,
                  std::string& error);

// Reads and parses a profile file.
bool LoadProfile(const std::string& path, Profile& profile, std::string& error);

// The profiles built into the validator (tools/validate/profiles/*.profile),
// and the parse errors of those that were left out for one (the unit tests
// see to it that there are none).
const std::vector<Profile>& BuiltinProfiles();
const std::vector<std::string>& BuiltinProfileErrors();

// Which profile applies to the plug-in under test.
struct ProfileChoice
{
    enum Kind
    {
        ByUniqueId, // the built-in profile with the plug-in's unique ID, if any
        None,       // generic checks only
        Given       // the given profile, whatever the plug-in's unique ID
    };
    Kind kind = ByUniqueId;
    Profile given;

    // The profile for a plug-in with this unique ID, or nullptr.
    const Profile* For(VstInt32 uniqueId) const;
};

} // namespace validate
