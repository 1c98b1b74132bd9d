#pragma once

#include "tools/validate/AudioBuffers.h"
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
};

// The checks that trusted plug-in validators make, run against one plug-in
// library through our host library, phase by phase:
//   record          the effect record's fields, every parameter's texts
//   close-unopened  effClose on instances that were never opened or activated
//   lifecycle       open/close cycles, several instances created from two threads
//   matrix          every sample rate x block size x precision x model x
//                   oversampling x analog emulation
//   oversize        a float call with more frames than the block size set
//   rate-change     sample-rate and block-size changes between blocks
//   params          hostile values and indices through every parameter entry
//   threads         automation and display requests while the audio thread runs
//   state           program/bank chunks and parameter state restored elsewhere
//   block-split     one output whatever the block sizes of the calls
//   recovery        a block with NaN/Inf input does not poison later blocks
// Every processed block is checked: no allocation or release on the audio
// thread, every output written, finite (from finite input), not subnormal and
// bounded.
class Validator
{
  public:
    Validator(ValidatorOptions options, Report& report);

    static const std::vector<std::string>& PhaseNames();

    // Runs the selected phases; true when nothing failed.
    bool Run();

    // Largest output peak a healthy instance gives for an input peak, with
    // the gain knobs at 0 dB and the analog stage on or off.
    static double OutputPeakBound(double inputPeak, bool analogOn);

  private:
    // Parameter indices found by name (-1 where the plug-in has none, as
    // for peer plug-ins).
    struct Knobs
    {
        int inputGain = -1, model = -1, threshold = -1, ratio = -1, attack = -1, release = -1,
            outputGain = -1, oversampling = -1, analog = -1, sidechainFilter = -1,
            externalSidechain = -1;
    };

    bool Selected(const std::string& phase) const;
    uint64_t SeedFor(const std::string& what) const;

    // Opens an instance (reporting a failure) and finds the knobs once.
    bool Open(PluginInstance& instance, Report& report, const std::string& configuration);
    // Processes n frames (inputs already generated) and checks the block.
    // finiteInput false skips the finiteness expectation. Answers whether the
    // block was clean.
    bool ProcessChecked(PluginInstance& instance, AudioBuffers& buffers, Precision precision, int n,
                        Report& report, const std::string& configuration, bool finiteInput = true,
                        double inputPeak = -1.0);
    // Whether the right channel can differ between instances (the analog
    // stage draws a random right-channel offset per instance).
    bool RightChannelRandom(PluginInstance& instance);

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
    Knobs mKnobs;
    bool mKnobsFound = false;
};

} // namespace validate
