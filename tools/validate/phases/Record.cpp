#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace validate
{

namespace
{

// As a profile's unique-id line takes it: four characters where they are
// printable, else the number.
std::string UniqueIdText(VstInt32 id)
{
    const auto bits = static_cast<uint32_t>(id);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const char c = static_cast<char>((bits >> shift) & 0xFF);
        if (c < 0x21 || c > 0x7E) return std::to_string(bits);
        text += c;
    }
    return text;
}

} // namespace

void Validator::Record(Report& report)
{
    PluginInstance instance;
    if (!Open(instance, report, "default")) return;
    AEffect* e = instance.Effect();
    report.Expect(e->magic == kEffectMagic, "magic", "record", "wrong magic");
    report.Expect(e->dispatcher != nullptr && e->setParameter != nullptr &&
                      e->getParameter != nullptr,
                  "callbacks", "record", "a callback pointer is null");
    report.Expect((e->flags & effFlagsCanReplacing) == 0 || e->processReplacing != nullptr,
                  "callbacks", "record", "effFlagsCanReplacing without processReplacing");
    report.Expect((e->flags & effFlagsCanDoubleReplacing) == 0 ||
                      e->processDoubleReplacing != nullptr,
                  "callbacks", "record", "effFlagsCanDoubleReplacing without the callback");
    report.Expect(e->numParams >= 0 && e->numParams < 100000 && e->numInputs >= 0 &&
                      e->numOutputs >= 0 && e->numPrograms >= 0,
                  "counts", "record",
                  "implausible counts: params " + std::to_string(e->numParams) + ", inputs " +
                      std::to_string(e->numInputs) + ", outputs " + std::to_string(e->numOutputs) +
                      ", programs " + std::to_string(e->numPrograms));
    report.Note("effect \"" + instance.EffectName() + "\", unique ID " + UniqueIdText(e->uniqueID) +
                ", " + std::to_string(e->numParams) + " parameters, " +
                std::to_string(e->numInputs) + " inputs, " + std::to_string(e->numOutputs) +
                " outputs");
    if (mKnobs.profile == nullptr)
        report.Note("no profile for this plug-in: generic checks only");
    else
        report.Note("profile " + mKnobs.profile->name);
    // A profile that names a parameter the plug-in lacks would quietly
    // leave its models or switches untried.
    for (const std::string& name : mKnobs.missing)
        report.Fail("profile-parameter", "profile " + mKnobs.profile->name,
                    "the plug-in has no parameter \"" + name + "\"");
    for (int i = 0; i < e->numParams; ++i)
    {
        const std::string where = "parameter " + std::to_string(i);
        const float v = instance.GetParameter(i);
        report.Expect(std::isfinite(v) && v >= 0.0f && v <= 1.0f, "parameter-range", where,
                      "getParameter answered " + Format("%g", v));
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        {
            TextProbe probe;
            instance.Dispatch(opcode, i, 0, probe.Data());
            const long length = probe.Length();
            report.Expect(length >= 0 && length <= kLongestSafeText, "text-length",
                          where + " opcode " + std::to_string(opcode),
                          "text of " + std::to_string(length) + " characters");
        }
        report.Expect(!instance.ParameterName(i).empty(), "parameter-name", where, "empty name");
    }
}

} // namespace validate
