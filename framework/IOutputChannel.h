#pragma once

#include "framework/IHeapBuffer.h"

// An output channel. Double-precision processing writes into the host's
// buffer or, for single-precision hosts and disconnected channels, into
// mBuffer (which single-precision hosts then receive narrowed).
struct IOutputChannel
{
    bool mConnected = false;
    double** mSlot = nullptr;     // its entry in the plug-in's output pointers
    float* mHostSingle = nullptr; // the host's float output for this block
    IHeapBuffer mBuffer{4096};    // doubles
};
