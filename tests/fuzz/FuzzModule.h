#pragma once

// What both plug-in fuzzers share: the real module, loaded once per process
// as a host loads it, and a host callback that answers like a quiet host.
// Test code, so the platform loader is used directly.

#include "vst/VstInterface.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace fuzz
{

inline VstIntPtr VSTCALLBACK QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr,
                                       float)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterGetProductString:
        if (ptr != nullptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", "korvala-fuzz");
        return 1;
    case audioMasterGetVendorVersion:
        return 10000;
    default:
        return 0;
    }
}

// The module's entry point; aborts when the module cannot be loaded, since
// no input could then be tested.
inline VstPluginMainProc Entry()
{
    static VstPluginMainProc entry = []
    {
        const char* path = std::getenv("KORVALA_PLUGIN");
        if (path == nullptr) path = KORVALA_PLUGIN_PATH;
        void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
        {
            std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
            std::abort();
        }
        auto main = reinterpret_cast<VstPluginMainProc>(dlsym(handle, "VSTPluginMain"));
        if (main == nullptr) std::abort();
        return main;
    }();
    return entry;
}

// An opened effect for the length of one input.
class Effect
{
  public:
    Effect() : mEffect(Entry()(&QuietHost))
    {
        if (mEffect == nullptr || mEffect->magic != kEffectMagic) std::abort();
        Dispatch(effOpen);
    }
    ~Effect() { Dispatch(effClose); }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    AEffect* operator->() const { return mEffect; }
    AEffect* Get() const { return mEffect; }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
    {
        return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
    }

  private:
    AEffect* mEffect;
};

} // namespace fuzz
