#pragma once

#include "tools/validate/Profile.h"

#include <string>

namespace validate
{

// Measures whether long quiet stretches cost more CPU than loud ones, which
// is what a recursion that decays into subnormal numbers does. For each
// scenario the plug-in first processes loud noise, then the quiet stretch;
// the CPU time per block of the last part of the quiet stretch is divided by
// that of the loud part. Figures only: nothing is asserted. With a profile
// every model is measured, with silence on the main input and (when the
// plug-in has one) on the external sidechain, and the profile's neutral
// setting after compressing; without one, silence after loud audio as the
// plug-in comes.
class DenormalBench
{
  public:
    // quietSeconds: length of the quiet stretch in seconds of audio (the
    // envelopes need about a minute to reach subnormal numbers).
    DenormalBench(std::string pluginPath, double quietSeconds, ProfileChoice profile);

    // Runs every scenario and prints one line each. Answers false if the
    // plug-in could not be loaded.
    bool Run();

  private:
    std::string mPluginPath;
    double mQuietSeconds;
    ProfileChoice mProfile;
};

} // namespace validate
