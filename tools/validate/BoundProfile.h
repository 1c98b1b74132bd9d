#pragma once

#include "tools/validate/Profile.h"

#include <string>
#include <vector>

class PluginInstance;

namespace validate
{

// A profile's parameter names found in one plug-in: the indices, parallel to
// the profile's lists, -1 where the plug-in has no such parameter. Without a
// profile every list is empty and every index -1, which leaves the phases
// with their generic checks.
struct BoundProfile
{
    const Profile* profile = nullptr;
    std::vector<int> unity;
    int selector = -1;
    std::vector<int> switches;
    std::vector<int> randomised;
    int externalSidechain = -1;
    int analog = -1;
    std::vector<int> recovery;
    std::vector<int> bench;
    int benchNeutral = -1;
    // Names the profile gives that the plug-in does not have.
    std::vector<std::string> missing;

    // Finds the parameters of profile (may be null) in instance.
    static BoundProfile Bind(const Profile* profile, PluginInstance& instance);

    // The models to run: the profile's models when the selector was found, else none.
    int ModelCount() const;
    const Profile::Model& ModelAt(int model) const { return profile->models[size_t(model)]; }
    // The switches that were found, as indices into the profile's list.
    std::vector<int> PresentSwitches() const;
    // Selects model (when there are models) and answers its part of a
    // configuration's name, " model=NAME", or "" without models.
    std::string SelectModel(PluginInstance& instance, int model) const;
    // Sets switch k (an index into the profile's list, present in the
    // plug-in) off or on and answers " label=off" or " label=on".
    std::string SetSwitch(PluginInstance& instance, int k, bool on) const;
    // Applies the unity settings (texts through effString2Parameter).
    void SetUnity(PluginInstance& instance) const;
    // Whether the analog stage is on in instance (then its right channel
    // carries a per-instance random offset).
    bool AnalogOn(PluginInstance& instance) const;
    // The output bound for an input peak in instance's present state.
    double OutputPeakBound(PluginInstance& instance, double inputPeak) const;
};

} // namespace validate
