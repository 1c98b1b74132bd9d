#pragma once

#include "tools/validate/SignalGenerator.h"

#include <vector>

class PluginInstance;

namespace validate
{

// The three ways a VST 2 host hands audio to a plug-in.
enum class Precision
{
    Float,     // processReplacing
    Double,    // processDoubleReplacing
    Accumulate // the deprecated process, which adds into the outputs
};

const char* PrecisionName(Precision precision);

// What a look at one block of output found.
struct OutputScan
{
    long unwritten = 0; // samples still holding the marker written before the call
    long nonFinite = 0;
    long subnormal = 0;
    double peak = 0.0; // largest finite magnitude
    // The first offending sample, for the message.
    int channel = -1;
    long frame = -1;
    double value = 0.0;

    bool Clean() const { return unwritten == 0 && nonFinite == 0 && subnormal == 0; }
};

// Input and output channels in both precisions, sized once outside the audio
// path. The inputs are generated in double precision; the float inputs hold
// the same samples rounded to float.
class AudioBuffers
{
  public:
    // Sizes every channel for frames samples (zeroed). Allocates.
    void Allocate(int inputs, int outputs, int frames);
    int Capacity() const { return mCapacity; }
    int Inputs() const { return static_cast<int>(mInDouble.size()); }
    int Outputs() const { return static_cast<int>(mOutDouble.size()); }

    // Writes n frames of test audio into the inputs (main pair, then the
    // sidechain pair; further inputs get silence).
    void Generate(SignalGenerator& generator, int n);
    // Input sample access, e.g. to place a NaN on purpose.
    void SetInput(int channel, int frame, double value);
    // Digital silence on the inputs from channel first on.
    void Silence(int firstChannel, int n);

    // Before a call: replacing outputs are filled with a marked NaN (so that
    // samples the plug-in leaves unwritten are told apart from NaNs it
    // computes); accumulating outputs start at zero.
    void MarkOutputs(Precision precision, int n);
    // After the call: looks at n frames of every output.
    OutputScan Scan(Precision precision, int n) const;
    // Largest input magnitude of the main pair over n frames.
    double InputPeak(int n) const;

    // Calls the plug-in. Nothing here allocates: the pointer arrays are
    // prepared by Allocate.
    void Process(PluginInstance& instance, Precision precision, int n);

    // Output sample as a double, whichever precision produced it.
    double Output(Precision precision, int channel, int frame) const;

  private:
    int mCapacity = 0;
    std::vector<std::vector<double>> mInDouble, mOutDouble;
    std::vector<std::vector<float>> mInFloat, mOutFloat;
    std::vector<double*> mInDoublePtr, mOutDoublePtr;
    std::vector<float*> mInFloatPtr, mOutFloatPtr;
    std::vector<double*> mGenerated; // four channels the generator writes
    std::vector<double> mSpare;      // where generated channels with no input go
};

} // namespace validate
