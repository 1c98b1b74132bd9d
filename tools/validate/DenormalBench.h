#pragma once

#include <string>

namespace validate
{

// Measures whether long quiet stretches cost more CPU than loud ones, which
// is what a recursion that decays into subnormal numbers does. For each
// scenario the plug-in first processes loud noise, then the quiet stretch;
// the CPU time per block of the last part of the quiet stretch is divided by
// that of the loud part. Figures only: nothing is asserted.
class DenormalBench
{
  public:
    // quietSeconds: length of the quiet stretch in seconds of audio (the
    // envelopes need about a minute to reach subnormal numbers).
    DenormalBench(std::string pluginPath, double quietSeconds);

    // Runs every scenario and prints one line each. Answers false if the
    // plug-in could not be loaded.
    bool Run();

  private:
    std::string mPluginPath;
    double mQuietSeconds;
};

} // namespace validate
