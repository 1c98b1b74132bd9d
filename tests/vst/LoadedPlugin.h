#pragma once

// The real BraskoKorvala.so loaded by our host library, exactly as a host
// loads it: dlopen, VSTPluginMain, effOpen, then only the effect record.

#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#ifndef KORVALA_PLUGIN_PATH
#error "KORVALA_PLUGIN_PATH must name the built BraskoKorvala module"
#endif

// Host parameter numbers as a host would find them by name; the tests check
// the names themselves, these only keep the tests readable.
enum HostParam : VstInt32
{
    kInputGain = 0,
    kModelType = 1,
    kThreshold = 2,
    kRatio = 3,
    kAttack = 4,
    kRelease = 5,
    kOutputGain = 6,
    kOversampling = 7,
    kAnalogEmulation = 8,
    kSidechainFilter = 9,
    kExternalSidechain = 10,
};

class LoadedPlugin : public ::testing::Test
{
  protected:
    // Opens a fresh instance that reports the given product string.
    static std::unique_ptr<PluginInstance> Load(const std::string& product = "korvala-host",
                                                VstInt32 vendorVersion = 10000)
    {
        HostIdentity identity;
        identity.product = product;
        identity.vendorVersion = vendorVersion;
        auto plugin = std::make_unique<PluginInstance>(identity);
        EXPECT_TRUE(plugin->Open(KORVALA_PLUGIN_PATH)) << plugin->Error();
        return plugin;
    }

    void SetUp() override
    {
        plug = Load();
        ASSERT_TRUE(plug->IsOpen());
        plug->Start(48000.0, 512);
    }

    AEffect* Effect() const { return plug->Effect(); }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
    {
        return plug->Dispatch(opcode, index, value, ptr, opt);
    }

    std::unique_ptr<PluginInstance> plug;
};

// Deterministic test signal: a different, non-trivial value per channel and
// frame, negative values included.
inline float TestSample(int channel, int frame)
{
    const int k = (frame * 37 + channel * 101) % 199;
    return static_cast<float>(k - 99) / 128.0f;
}

// Host-side channel buffers: n channels of frames samples each.
template <typename T> struct HostBuffers
{
    HostBuffers(int channels, int frames, T fill = T(0))
        : data(static_cast<size_t>(channels), std::vector<T>(static_cast<size_t>(frames), fill))
    {
        for (auto& channel : data)
            ptrs.push_back(channel.data());
    }
    void FillTestSignal(int firstChannel = 0)
    {
        for (size_t c = 0; c < data.size(); ++c)
            for (size_t i = 0; i < data[c].size(); ++i)
                data[c][i] = static_cast<T>(
                    TestSample(static_cast<int>(c) + firstChannel, static_cast<int>(i)));
    }
    T** Ptrs() { return ptrs.data(); }

    std::vector<std::vector<T>> data;
    std::vector<T*> ptrs;
};
