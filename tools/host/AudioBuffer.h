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

// The pointer list a host hands to processReplacing for these channels,
// ending in a null entry: some plug-ins read the list even when it has no
// channels, so it is never empty. Valid while the channels keep their storage.
template <class Sample>
std::vector<Sample*> ChannelPointers(std::vector<std::vector<Sample>>& channels)
{
    std::vector<Sample*> pointers;
    pointers.reserve(channels.size() + 1);
    for (auto& c : channels)
        pointers.push_back(c.data());
    pointers.push_back(nullptr);
    return pointers;
}
