#include "tools/validate/BoundProfile.h"

#include "tools/host/PluginInstance.h"

#include <string>
#include <vector>

namespace validate
{

namespace
{

const Profile& Generic()
{
    static const Profile generic;
    return generic;
}

} // namespace

BoundProfile BoundProfile::Bind(const Profile* profile, PluginInstance& instance)
{
    BoundProfile bound;
    bound.profile = profile;
    if (profile == nullptr) return bound;
    auto find = [&](const std::string& name)
    {
        const int index = instance.FindParameter(name);
        if (index < 0) bound.missing.push_back(name);
        return index;
    };
    for (const auto& s : profile->unity)
        bound.unity.push_back(find(s.parameter));
    if (!profile->selector.empty()) bound.selector = find(profile->selector);
    for (const auto& s : profile->switches)
        bound.switches.push_back(find(s.parameter));
    for (const auto& name : profile->randomised)
        bound.randomised.push_back(find(name));
    if (!profile->externalSidechain.parameter.empty())
        bound.externalSidechain = find(profile->externalSidechain.parameter);
    if (!profile->analog.empty()) bound.analog = find(profile->analog);
    for (const auto& s : profile->recovery)
        bound.recovery.push_back(find(s.parameter));
    for (const auto& s : profile->bench)
        bound.bench.push_back(find(s.parameter));
    if (!profile->benchNeutral.parameter.empty())
        bound.benchNeutral = find(profile->benchNeutral.parameter);
    return bound;
}

int BoundProfile::ModelCount() const
{
    return selector >= 0 ? static_cast<int>(profile->models.size()) : 0;
}

std::vector<int> BoundProfile::PresentSwitches() const
{
    std::vector<int> present;
    for (size_t k = 0; k < switches.size(); ++k)
        if (switches[k] >= 0) present.push_back(static_cast<int>(k));
    return present;
}

std::string BoundProfile::SelectModel(PluginInstance& instance, int model) const
{
    if (ModelCount() == 0) return std::string();
    instance.SetParameter(selector, ModelAt(model).value);
    return " model=" + ModelAt(model).name;
}

std::string BoundProfile::SetSwitch(PluginInstance& instance, int k, bool on) const
{
    instance.SetParameter(switches[size_t(k)], on ? 1.0f : 0.0f);
    return " " + profile->switches[size_t(k)].label + (on ? "=on" : "=off");
}

void BoundProfile::SetUnity(PluginInstance& instance) const
{
    for (size_t k = 0; k < unity.size(); ++k)
        if (unity[k] >= 0) instance.SetParameterText(unity[k], profile->unity[k].text);
}

bool BoundProfile::AnalogOn(PluginInstance& instance) const
{
    return analog >= 0 && instance.GetParameter(analog) >= 0.5f;
}

double BoundProfile::OutputPeakBound(PluginInstance& instance, double inputPeak) const
{
    return (profile ? *profile : Generic()).OutputPeakBound(inputPeak, AnalogOn(instance));
}

} // namespace validate
