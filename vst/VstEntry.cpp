// The library's entry points. A VST 2 host looks up "VSTPluginMain" (older
// hosts "main"), calls it with its callback once per effect instance and from
// then on talks to the effect only through the record it receives.

#include "vst/IEffectVST.h"
#include "vst/PluginFactory.h"
#include "vst/VstInterface.h"

#include <mutex>

// Linux: default visibility here, and the version script vst/VstExports.map
// keeps every other symbol local. Windows: the module's .def file names the
// exports.
#if defined(_WIN32)
#define KORVALA_VST_EXPORT
#else
#define KORVALA_VST_EXPORT __attribute__((visibility("default")))
#endif

namespace
{
// Serialises concurrent entry calls (hosts may create instances from several
// threads). Created on the first call, destroyed when the library unloads.
std::mutex& EntryMutex()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace

// Any host thread; takes the entry mutex. Makes no request to the host.
extern "C" KORVALA_VST_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback hostCallback)
{
    std::lock_guard<std::mutex> guard(EntryMutex());
    IEffectVST* plug = nullptr;
    // Nothing may unwind into the host: any failure to build the object, an
    // exhausted heap included, answers null ("not loaded").
    try
    {
        plug = CreatePluginEffect(hostCallback);
    }
    catch (...)
    {
        plug = nullptr;
    }
    if (!plug) return nullptr;
    // Slots the plug-in left uninitialised hold the current values.
    plug->MakeDefaultPresets("Empty", plug->NPresets());
    AEffect* effect = plug->GetAEffect();
    if (effect->numPrograms <= 0) effect->numPrograms = 1;
    return effect;
}

// The same entry under the name older hosts look for. A C++ function cannot
// be called main and return a pointer, so the symbol gets its name from the
// assembler label.
extern "C" KORVALA_VST_EXPORT AEffect* VSTCALLBACK
VSTMainAlias(audioMasterCallback hostCallback) __asm__("main");
extern "C" AEffect* VSTCALLBACK VSTMainAlias(audioMasterCallback hostCallback)
{
    return VSTPluginMain(hostCallback);
}
