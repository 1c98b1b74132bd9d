// CPU time per second of 48 kHz stereo audio at block 512, for each model
// with the defaults (oversampling and analog emulation on) and with both off,
// through the plug-in class's chain. Prints figures only. Plain timing (no
// benchmark library); command-line flags such as --benchmark_min_time are
// accepted and ignored.

#include "plugin/BraskoKorvala.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

// M_PI is not standard C++ (mingw leaves it out in strict mode).
static constexpr double kPi = 3.14159265358979323846;

namespace
{
VstIntPtr VSTCALLBACK SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kSeconds = 5;

void SetKnob(BraskoKorvala& fx, int idx, double knob)
{
    fx.Lock();
    fx.GetParam(idx)->SetNormalized(knob);
    fx.OnParameterChange(idx);
    fx.Unlock();
}

// Seconds of CPU (wall clock on an idle core) per second of audio.
double Measure(int model, bool oversamplingAndAnalog)
{
    auto fx = std::make_unique<BraskoKorvala>(&SilentHost);
    fx->SetSampleRate(kRate);
    fx->OnReset();
    fx->ResendAllParameters();
    SetKnob(*fx, BraskoKorvala::kModelType, model / 2.0);
    SetKnob(*fx, BraskoKorvala::kThreshold, 0.5);
    SetKnob(*fx, BraskoKorvala::kRatio, 0.3);
    SetKnob(*fx, BraskoKorvala::kOversampling, oversamplingAndAnalog ? 1.0 : 0.0);
    SetKnob(*fx, BraskoKorvala::kAnalogEmulation, oversamplingAndAnalog ? 1.0 : 0.0);

    std::vector<double> in[4], out[2];
    for (auto& c : in)
        c.resize(kBlock);
    for (auto& c : out)
        c.resize(kBlock);
    double* ins[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
    double* outs[2] = {out[0].data(), out[1].data()};

    const int blocks = static_cast<int>(kSeconds * kRate / kBlock);
    long frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int b = 0; b < blocks; ++b)
    {
        for (int i = 0; i < kBlock; ++i, ++frame)
        {
            const double t = frame / kRate;
            in[0][i] = 0.7 * std::sin(2 * kPi * 220 * t) * (0.6 + 0.4 * std::sin(3 * t));
            in[1][i] = 0.7 * std::sin(2 * kPi * 330 * t);
        }
        fx->Lock();
        fx->ProcessBlock(ins, outs, kBlock);
        fx->Unlock();
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    // The signal generation is included; it is small next to the chain.
    return spent.count() / kSeconds;
}
} // namespace

int main(int, char**)
{
    static const char* const names[] = {"VCA", "FET", "OPTO"};
    std::printf("%-6s %-28s %14s %14s\n", "model", "setting", "ms CPU / s", "real-time x");
    for (int model = 0; model < 3; ++model)
        for (bool full : {true, false})
        {
            const double perSecond = Measure(model, full);
            std::printf("%-6s %-28s %14.2f %14.1f\n", names[model],
                        full ? "oversampling+analog on" : "oversampling+analog off",
                        1000.0 * perSecond, 1.0 / perSecond);
        }
    return 0;
}
