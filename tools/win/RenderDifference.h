#pragma once

#include "AudioBuffer.h"

#include <cmath>
#include <cstddef>

// How far two renders of the same input lie apart, sample by sample, as
// korvala-crosscheck compare-wav holds the Windows module's render against
// the Linux module's. Both were written as 32-bit float WAV, so each sample
// went through one float rounding after the plug-in's double arithmetic.
struct RenderDifference
{
    bool sameShape = false; // equal channel and frame counts, not empty
    std::size_t samples = 0;
    double largest = 0.0; // largest absolute difference
    // Samples further apart than 2^-24 of the larger magnitude. A NaN on one
    // side only counts here too: it is never an agreement.
    std::size_t beyondOneRounding = 0;
};

inline RenderDifference CompareRenders(const AudioBuffer& a, const AudioBuffer& b)
{
    RenderDifference d;
    d.sameShape = a.Channels() == b.Channels() && a.Frames() == b.Frames() && a.Frames() > 0;
    if (!d.sameShape) return d;
    const double relative = std::ldexp(1.0, -24);
    for (std::size_t c = 0; c < a.Channels(); ++c)
        for (std::size_t i = 0; i < a.Frames(); ++i)
        {
            const double x = a.channels[c][i];
            const double y = b.channels[c][i];
            ++d.samples;
            if (std::isnan(x) || std::isnan(y))
            {
                if (std::isnan(x) != std::isnan(y)) ++d.beyondOneRounding;
                continue;
            }
            const double diff = std::fabs(x - y);
            if (diff > d.largest) d.largest = diff;
            if (diff > relative * std::fmax(std::fabs(x), std::fabs(y))) ++d.beyondOneRounding;
        }
    return d;
}
