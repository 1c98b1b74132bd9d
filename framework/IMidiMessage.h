#pragma once

#include <cstdint>

// One short MIDI message with its position in the current block.
struct IMidiMessage
{
    int32_t mOffset = 0; // frames from the start of the block
    uint8_t mStatus = 0;
    uint8_t mData1 = 0;
    uint8_t mData2 = 0;
};
