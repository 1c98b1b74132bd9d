#pragma once

#include "vst/VstInterface.h"

class IEffectVST;

// The one plug-in the module holds, as the entry point creates it. The
// binding declares this and the plug-in defines it, so that the binding
// never names the plug-in class.
//
// Called by the entry point only, with its process-wide mutex held; makes no
// request to the host. Answers a new object the host then owns through the
// effect record (effClose deletes it), or null when it cannot be built.
IEffectVST* CreatePluginEffect(audioMasterCallback hostCallback);
