#pragma once

#include "vst/VstInterface.h"

// What the probe plug-in learnt from its host; the tests fetch it through
// effVendorSpecific with index kProbeLogIndex (the answer is its address).
constexpr VstInt32 kProbeLogIndex = 0x70726F62; // 'prob'

struct ProbeLog
{
    // Asked inside the entry point, before the record exists (effect null).
    VstIntPtr versionAtEntry = -1;
    char productAtEntry[80] = {};
    // Asked at effOpen.
    VstIntPtr version = -1;
    char product[80] = {};
    bool productTerminatedWithinInterfaceSize = false;
    bool productTailUntouched = false; // bytes past the interface size keep their sentinel
    char vendor[80] = {};
    VstIntPtr vendorVersion = -1;
    VstIntPtr currentId = -1;
    VstIntPtr canDoAnything = -1; // audioMasterCanDo: we answer nothing
    VstIntPtr ioChanged = -1;
    VstIntPtr sizeWindow = -1;
    // Asked during processing.
    VstIntPtr sampleRate = -1;
    VstIntPtr blockSize = -1;
    bool gotTime = false;
    VstTimeInfo time{};
    int processCalls = 0;
};
