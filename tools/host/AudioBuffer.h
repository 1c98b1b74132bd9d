#pragma once

#include <cstddef>
#include <vector>

// Non-interleaved audio in double precision, as the tools hold files and
// generated signals. Every channel has Frames() samples.
struct AudioBuffer
{
    double sampleRate = 48000.0;
    std::vector<std::vector<double>> channels;

    size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
    size_t Channels() const { return channels.size(); }
};
