#pragma once

#include "framework/IHeapBuffer.h"

// An input channel. A connected channel reads host audio (directly, or
// widened into mBuffer for single-precision hosts); a disconnected one reads
// mBuffer, which is all zeros after each block-size change.
struct IInputChannel
{
    bool mConnected = false;
    double** mSlot = nullptr;  // its entry in the plug-in's input pointers
    IHeapBuffer mBuffer{4096}; // doubles
};
