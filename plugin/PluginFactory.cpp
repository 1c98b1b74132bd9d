#include "vst/PluginFactory.h"

#include "plugin/BraskoKorvala.h"

#include <new>

IEffectVST* CreatePluginEffect(audioMasterCallback hostCallback)
{
    // The object is large (each model holds its oversampling buffers): on the
    // heap, and an exhausted heap answers null rather than throwing.
    return new (std::nothrow) BraskoKorvala(hostCallback);
}
