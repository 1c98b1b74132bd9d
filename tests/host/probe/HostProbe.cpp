// A minimal VST 2 plug-in that exercises a host: it asks the host everything
// a plug-in may ask, records the answers, and processes as a fixed gain of 2
// so that the host's buffer handling can be checked from outside. Two
// parameters; setParameter reports back with begin-edit, automate, end-edit;
// every process call sends one MIDI note-on with the block's frame count in
// its velocity byte.
#include "ProbeLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{

struct Probe
{
    AEffect effect{};
    audioMasterCallback host = nullptr;
    ProbeLog log;
    float parameters[2] = {0.25f, 0.75f};
    char chunk[8] = {};

    VstIntPtr Ask(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                  float opt = 0.0f)
    {
        return host(&effect, opcode, index, value, ptr, opt);
    }
};

Probe* Of(AEffect* effect)
{
    return static_cast<Probe*>(effect->object);
}

// Copies a text the host wrote, however long, into a fixed log field.
template <size_t N> void Keep(char (&destination)[N], const char* source, size_t sourceSize)
{
    size_t length = strnlen(source, sourceSize);
    length = length < N - 1 ? length : N - 1;
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

void AskAtOpen(Probe& p)
{
    ProbeLog& log = p.log;
    log.version = p.Ask(audioMasterVersion);
    char buffer[256];
    std::memset(buffer, 0x7F, sizeof buffer);
    p.Ask(audioMasterGetProductString, 0, 0, buffer);
    log.productTerminatedWithinInterfaceSize =
        std::memchr(buffer, 0, kVstMaxProductStrLen) != nullptr;
    log.productTailUntouched = true;
    for (size_t i = kVstMaxProductStrLen; i < sizeof buffer; ++i)
        log.productTailUntouched = log.productTailUntouched && buffer[i] == 0x7F;
    Keep(log.product, buffer, sizeof buffer);
    char vendor[256] = {};
    p.Ask(audioMasterGetVendorString, 0, 0, vendor);
    Keep(log.vendor, vendor, sizeof vendor);
    log.vendorVersion = p.Ask(audioMasterGetVendorVersion);
    log.currentId = p.Ask(audioMasterCurrentId);
    char canDo[] = "sendVstEvents";
    log.canDoAnything = p.Ask(audioMasterCanDo, 0, 0, canDo);
    log.ioChanged = p.Ask(audioMasterIOChanged);
    log.sizeWindow = p.Ask(audioMasterSizeWindow, 100, 100);
    p.Ask(audioMasterWantMidi);
}

VstIntPtr VSTCALLBACK Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                               void* ptr, float /*opt*/)
{
    Probe* p = Of(effect);
    switch (opcode)
    {
    case effOpen:
        AskAtOpen(*p);
        return 0;
    case effClose:
        delete p;
        return 0;
    case effGetParamName:
        std::strcpy(static_cast<char*>(ptr), index == 0 ? "Gain" : "Mix Level");
        return 0;
    case effGetParamLabel:
        std::strcpy(static_cast<char*>(ptr), "%");
        return 0;
    case effGetParamDisplay:
        std::snprintf(static_cast<char*>(ptr), 16, "%.0f", p->parameters[index & 1] * 100.0);
        return 0;
    case effString2Parameter:
    {
        const char* text = static_cast<const char*>(ptr);
        char* end = nullptr;
        double v = std::strtod(text, &end);
        if (end == text || index < 0 || index > 1) return 0;
        p->parameters[index] = static_cast<float>(v / 100.0);
        return 1;
    }
    case effGetEffectName:
        std::strcpy(static_cast<char*>(ptr), "HostProbe");
        return 1;
    case effGetChunk:
        std::memcpy(p->chunk, p->parameters, sizeof p->parameters);
        *static_cast<void**>(ptr) = p->chunk;
        return sizeof p->chunk;
    case effSetChunk:
        if (value != sizeof p->parameters) return 0;
        std::memcpy(p->parameters, ptr, sizeof p->parameters);
        return 1;
    case effVendorSpecific:
        return index == kProbeLogIndex ? reinterpret_cast<VstIntPtr>(&p->log) : 0;
    default:
        return 0;
    }
}

void VSTCALLBACK SetParameter(AEffect* effect, VstInt32 index, float value)
{
    Probe* p = Of(effect);
    if (index < 0 || index > 1) return;
    p->parameters[index] = value;
    p->Ask(audioMasterBeginEdit, index);
    p->Ask(audioMasterAutomate, index, 0, nullptr, value);
    p->Ask(audioMasterEndEdit, index);
}

float VSTCALLBACK GetParameter(AEffect* effect, VstInt32 index)
{
    return index >= 0 && index <= 1 ? Of(effect)->parameters[index] : 0.0f;
}

void AskWhileProcessing(Probe& p, VstInt32 frames)
{
    ProbeLog& log = p.log;
    ++log.processCalls;
    log.sampleRate = p.Ask(audioMasterGetSampleRate);
    log.blockSize = p.Ask(audioMasterGetBlockSize);
    auto* time = reinterpret_cast<const VstTimeInfo*>(p.Ask(audioMasterGetTime, 0, kVstTempoValid));
    log.gotTime = time != nullptr;
    if (time != nullptr) log.time = *time;
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    note.deltaFrames = 3;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = static_cast<char>(frames & 0x7F);
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&note);
    p.Ask(audioMasterProcessEvents, 0, 0, &list);
}

template <typename T, bool accumulate>
void VSTCALLBACK Process(AEffect* effect, T** inputs, T** outputs, VstInt32 frames)
{
    Probe* p = Of(effect);
    AskWhileProcessing(*p, frames);
    for (int c = 0; c < 2; ++c)
        for (VstInt32 i = 0; i < frames; ++i)
        {
            T y = inputs[c][i] * static_cast<T>(2);
            outputs[c][i] = accumulate ? outputs[c][i] + y : y;
        }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    auto* p = new (std::nothrow) Probe;
    if (p == nullptr) return nullptr;
    p->host = host;
    p->log.versionAtEntry = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    host(nullptr, audioMasterGetProductString, 0, 0, p->log.productAtEntry, 0.0f);
    AEffect& e = p->effect;
    e.magic = kEffectMagic;
    e.dispatcher = Dispatch;
    e.process = Process<float, true>;
    e.setParameter = SetParameter;
    e.getParameter = GetParameter;
    e.numPrograms = 1;
    e.numParams = 2;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
    e.ioRatio = 1.0f;
    e.object = p;
    e.uniqueID = VstFourCC('P', 'r', 'o', 'b');
    e.version = 1;
    e.processReplacing = Process<float, false>;
    e.processDoubleReplacing = Process<double, false>;
    return &e;
}
