#pragma once

#include "tools/validate/AudioBuffers.h"
#include "tools/validate/BoundProfile.h"
#include "tools/validate/Profile.h"
#include "tools/validate/Report.h"

#include <cstdint>
#include <string>
#include <vector>

class PluginInstance;

namespace validate
{

struct ValidatorOptions
{
    std::string pluginPath;
    uint64_t seed = 1;
    // A short run (fewer rates, block sizes, cycles and frames) for the
    // sanitizer builds and the unit tests.
    bool quick = false;
    // Run each phase in a child process (where possible).
    bool isolate = true;
    std::vector<std::string> only; // phases to run; empty: all
    std::vector<std::string> skip; // phases not to run
    // Restrict the processing matrix (empty: the full lists).
    std::vector<double> rates;
    std::vector<int> blockSizes;
    // The plug-in-specific knowledge to use (by default the built-in
    // profile that matches the plug-in's unique ID, if any).
    ProfileChoice profile;
};

// The checks that trusted plug-in validators make, run against one plug-in
// library through our host library, phase by phase:
//   record          the effect record's fields, every parameter's texts
//   close-unopened  effClose on instances that were never opened or activated
//   lifecycle       open/close cycles, several instances created from two threads
//   matrix          every sample rate x block size x precision, and with a
//                   profile x model x each switch off and on
//   oversize        a float call with more frames than the block size set
//   rate-change     sample-rate and block-size changes between blocks
//   params          hostile values and indices through every parameter entry
//   threads         automation and display requests while the audio thread runs
//   state           program/bank chunks and parameter state restored elsewhere
//   block-split     one output whatever the block sizes of the calls
//   recovery        a block with NaN/Inf input does not poison later blocks
// Every processed block is checked: no allocation or release on the audio
// thread, every output written, finite (from finite input), not subnormal and
// bounded. What the validator knows of the plug-in beyond the interface (its
// models, switches and gain knobs) comes from its profile (Profile.h).
//
// The phases live in tools/validate/phases/, one file each.
class Validator
{
  public:
    Validator(ValidatorOptions options, Report& report);

    static const std::vector<std::string>& PhaseNames();

    // Runs the selected phases; true when nothing failed.
    bool Run();

  private:
    bool Selected(const std::string& phase) const;
    uint64_t SeedFor(const std::string& what) const;

    // Opens an instance (reporting a failure) and, the first time, chooses
    // the profile by the plug-in's unique ID and finds its parameters.
    bool Open(PluginInstance& instance, Report& report, const std::string& configuration);
    // Processes n frames (inputs already generated) and checks the block.
    // finiteInput false skips the finiteness expectation. Answers whether the
    // block was clean.
    bool ProcessChecked(PluginInstance& instance, AudioBuffers& buffers, Precision precision, int n,
                        Report& report, const std::string& configuration, bool finiteInput = true,
                        double inputPeak = -1.0);
    // Whether the right channel can differ between instances (the analog
    // stage draws a random right-channel offset per instance).
    bool RightChannelRandom(PluginInstance& instance) const;

    void Record(Report& report);
    void CloseUnopened(Report& report);
    void Lifecycle(Report& report);
    void Matrix(Report& report);
    void Oversize(Report& report);
    void RateChange(Report& report);
    void Params(Report& report);
    void Threads(Report& report);
    void State(Report& report);
    void BlockSplit(Report& report);
    void Recovery(Report& report);

    ValidatorOptions mOptions;
    Report& mReport;
    BoundProfile mKnobs;
    bool mKnobsFound = false;
};

} // namespace validate
