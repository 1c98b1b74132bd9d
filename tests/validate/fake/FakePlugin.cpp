// A small gain plug-in for the validator's own tests. KORVALA_FAKE_FAULT,
// read whenever an effect is created, gives it one fault that a validator
// must catch: "allocate" (heap use while processing), "nan" (a NaN output
// from finite input), "subnormal" (a subnormal output), "unwritten" (output
// samples left as they were), "crash" (dies in the third process call),
// "state" (a program chunk that restores to something else). Unset or any
// other text: a well-behaved plug-in.

#include "vst/VstInterface.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace
{

struct Fake
{
    AEffect effect{};
    std::string fault;
    float gain = 0.5f; // the one parameter, normalised; linear gain 2*gain
    float chunk = 0.0f;
};

Fake* From(AEffect* e)
{
    return static_cast<Fake*>(e->object);
}

template <typename T> void Run(AEffect* e, T** in, T** out, VstInt32 n, bool accumulate)
{
    Fake* f = From(e);
    static int processCalls = 0; // across instances: dies in the process's third call
    if (f->fault == "crash" && ++processCalls == 3) std::raise(SIGSEGV);
    if (f->fault == "allocate")
    {
        void* volatile p = std::malloc(64); // volatile: the pair must not be optimised away
        std::free(p);
    }
    const int frames = f->fault == "unwritten" && n > 1 ? n / 2 : n;
    for (int c = 0; c < 2; ++c)
    {
        for (int i = 0; i < frames; ++i)
        {
            T x = in[c][i];
            if (!std::isfinite(x)) x = 0; // a NaN upstream does not stay
            T y = static_cast<T>(2.0f * f->gain) * x;
            if (f->fault == "nan" && i == 3) y = std::numeric_limits<T>::quiet_NaN();
            if (f->fault == "subnormal" && i == 3) y = std::numeric_limits<T>::denorm_min();
            out[c][i] = accumulate ? out[c][i] + y : y;
        }
    }
}

void VSTCALLBACK Process(AEffect* e, float** in, float** out, VstInt32 n)
{
    Run(e, in, out, n, true);
}
void VSTCALLBACK Replace(AEffect* e, float** in, float** out, VstInt32 n)
{
    Run(e, in, out, n, false);
}
void VSTCALLBACK ReplaceDouble(AEffect* e, double** in, double** out, VstInt32 n)
{
    Run(e, in, out, n, false);
}

void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float v)
{
    // Gains below 1e-6 are silence; smaller ones would make subnormal outputs.
    if (index == 0 && std::isfinite(v)) From(e)->gain = v < 1e-6f ? 0 : v > 1 ? 1 : v;
}

float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index)
{
    return index == 0 ? From(e)->gain : 0.0f;
}

VstIntPtr VSTCALLBACK Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                               void* ptr, float)
{
    Fake* f = From(e);
    char* text = static_cast<char*>(ptr);
    switch (opcode)
    {
    case effClose:
        delete f;
        return 0;
    case effGetParamName:
        if (index == 0 && text) std::strcpy(text, "Gain");
        return 0;
    case effGetParamLabel:
        if (index == 0 && text) std::strcpy(text, "x");
        return 0;
    case effGetParamDisplay:
        if (index == 0 && text) std::snprintf(text, 16, "%.2f", 2.0 * f->gain);
        return 0;
    case effString2Parameter:
        if (index != 0) return 0;
        if (text) SetParameter(e, 0, static_cast<float>(std::atof(text) / 2.0));
        return 1;
    case effGetEffectName:
        if (text) std::strcpy(text, "Fake");
        return 1;
    case effGetChunk:
        if (!ptr) return 0;
        f->chunk = f->gain;
        *static_cast<void**>(ptr) = &f->chunk;
        return sizeof f->chunk;
    case effSetChunk:
        if (!ptr || value != sizeof(float)) return 0;
        {
            float v;
            std::memcpy(&v, ptr, sizeof v);
            SetParameter(e, 0, f->fault == "state" ? v * 0.5f : v);
        }
        return 1;
    default:
        return 0;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback)
{
    Fake* f = new Fake;
    const char* fault = std::getenv("KORVALA_FAKE_FAULT");
    f->fault = fault != nullptr ? fault : "";
    AEffect& e = f->effect;
    e.magic = kEffectMagic;
    e.dispatcher = Dispatch;
    e.process = Process;
    e.setParameter = SetParameter;
    e.getParameter = GetParameter;
    e.numPrograms = 1;
    e.numParams = 1;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    e.ioRatio = 1.0f;
    e.object = f;
    e.uniqueID = VstFourCC('F', 'a', 'k', 'e');
    e.processReplacing = Replace;
    e.processDoubleReplacing = ReplaceDouble;
    return &e;
}
