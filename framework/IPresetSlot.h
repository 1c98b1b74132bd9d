#pragma once

#include "framework/IByteChunk.h"

#include <cstring>

// A preset: a name and a snapshot of every parameter's plain value (one
// double each, in index order, no header).
struct IPresetSlot
{
    static constexpr int kNameSize = 256; // 255 characters and the terminator

    IPresetSlot() { std::strcpy(mName, "empty"); }

    bool mInitialized = false;
    char mName[kNameSize];
    IByteChunk mChunk;
};
