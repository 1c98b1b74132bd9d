#pragma once

#include <cstdint>

// The host's transport, as far as it reports it. Fields the host does not
// report keep the caller's values (GetTimeInfo only overwrites valid ones).
struct ITimeInfo
{
    double mTempo = 0.0;      // beats per minute
    double mSamplePos = 0.0;  // frames since the start of the song
    double mPPQPos = 0.0;     // quarter notes since the start
    double mLastBar = 0.0;    // start of the last bar, in quarter notes
    double mCycleStart = 0.0; // quarter notes
    double mCycleEnd = 0.0;   // quarter notes
    int32_t mNumerator = 4;
    int32_t mDenominator = 4;
    bool mTransportIsRunning = false;
    bool mTransportLoopEnabled = false;
};
