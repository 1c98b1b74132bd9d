#pragma once

#include "AudioBuffer.h"
#include "PluginInstance.h"

#include <string>
#include <vector>

// Which of the effect record's process callbacks runs.
enum class Precision
{
    Float,      // processReplacing
    Double,     // processDoubleReplacing
    Accumulate, // the deprecated accumulating process, into zeroed outputs
};

// Parses "float", "double" or "accumulate"; false for anything else.
bool ParsePrecision(const std::string& text, Precision& precision);

// Feeds audio through a plug-in block by block as a host does: host-owned
// channel buffers sized once for the block size, main input on the
// plug-in's inputs 1 and 2 (a mono file on both), the sidechain on inputs 3
// and 4, silence on any other input.
class BlockProcessor
{
  public:
    BlockProcessor(PluginInstance& plugin, Precision precision, size_t blockSize);

    // Processes frames (at most the block size) starting at start of main and
    // sidechain (null: none) and writes the plug-in's first two outputs at
    // the same place in output, which must be sized already.
    void Process(const AudioBuffer& main, const AudioBuffer* sidechain, size_t start, size_t frames,
                 AudioBuffer& output);

    size_t BlockSize() const { return blockSize_; }

  private:
    const std::vector<double>* Source(const AudioBuffer& main, const AudioBuffer* sidechain,
                                      size_t input) const;

    PluginInstance& plugin_;
    Precision precision_;
    size_t blockSize_;
    std::vector<std::vector<float>> floatIn_, floatOut_;
    std::vector<std::vector<double>> doubleIn_, doubleOut_;
    std::vector<float*> floatInPtr_, floatOutPtr_;
    std::vector<double*> doubleInPtr_, doubleOutPtr_;
};
