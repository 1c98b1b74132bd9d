// Fuzzes effString2Parameter, the host's text entry: the input is a list of
// lines "<index byte><text>". After each line the parameter must read back as
// a normalised value, display as a short terminated text, and a block of
// finite audio must come out finite. Any violation traps.

#include "tests/fuzz/FuzzModule.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace
{

constexpr int kFrames = 64;

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Effect effect;
    effect.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect.Dispatch(effSetBlockSize, 0, kFrames);
    effect.Dispatch(effMainsChanged, 0, 1);
    const int count = effect->numParams;

    static double in[4][kFrames], out[2][kFrames];
    double* inputs[4] = {in[0], in[1], in[2], in[3]};
    double* outputs[2] = {out[0], out[1]};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < kFrames; ++i)
            in[c][i] = std::sin(0.05 * i * (c + 1)) * 0.9;

    size_t at = 0;
    while (at < size)
    {
        // Indices run two below and two above the valid ones.
        const int index = static_cast<int>(data[at] % (count + 4)) - 2;
        ++at;
        size_t end = at;
        while (end < size && data[end] != '\n')
            ++end;
        std::string text(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;

        const VstIntPtr answer = effect.Dispatch(effString2Parameter, index, 0, &text[0]);
        if (index < 0 || index >= count) Check(answer == 0);

        for (int i = 0; i < count; ++i)
        {
            const float v = effect->getParameter(effect.Get(), i);
            Check(std::isfinite(v) && v >= 0.0f && v <= 1.0f);
            char display[1024];
            std::memset(display, 0x5A, sizeof display);
            display[0] = '\0';
            effect.Dispatch(effGetParamDisplay, i, 0, display);
            Check(std::memchr(display, '\0', 64) != nullptr);
        }
        effect->processDoubleReplacing(effect.Get(), inputs, outputs, kFrames);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kFrames; ++i)
                Check(std::isfinite(out[c][i]));
    }
    return 0;
}
