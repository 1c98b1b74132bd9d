#pragma once

// The floor benchmark's shared set-up: the test signal at the host rate and
// three times it, filter designs of the plug-in's magnitudes, each model's
// state at settings that keep it compressing part of the time, and each
// model's whole per-block pipeline (analog stage, up-sampling, gain
// computer, down-sampling) in a reference form, a floor form and, for FET
// and opto, the fused oversampled path.

#include "FloorAnalog.h"
#include "FloorFilters.h"
#include "FloorFused.h"
#include "FloorModels.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace floorbench
{

constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;
constexpr size_t kBlock = 512;          // host frames per block
constexpr size_t kSignalFrames = 96000; // two seconds, cycled through

// ------------------------------------------------------------ set-up ----

// A deterministic music-like stereo signal at 48 kHz: kick and hi-hat
// transients, a bass line and a chord, with the chain's 1e-24 added.
inline std::vector<double> MakeSignal()
{
    std::vector<double> x(2 * kSignalFrames);
    uint32_t noise = 12345u;
    const double chord[3] = {261.63, 329.63, 392.0};
    const double bass[4] = {55.0, 73.42, 65.41, 49.0};
    for (size_t i = 0; i < kSignalFrames; ++i)
    {
        const double t = static_cast<double>(i) / kRate;
        const double beat = std::fmod(t, 0.5);
        const double eighth = std::fmod(t, 0.125);
        noise = noise * 1664525u + 1013904223u;
        const double white = static_cast<int32_t>(noise) * (1.0 / 2147483648.0);
        const double kick = 0.8 * std::exp(-beat * 18.0) *
                            std::sin(2 * kPi * (50.0 + 80.0 * std::exp(-beat * 30.0)) * beat);
        const double hat = 0.25 * std::exp(-eighth * 120.0) * white;
        const double b = 0.3 * std::sin(2 * kPi * bass[static_cast<size_t>(t * 2.0) % 4] * t);
        double c = 0.0;
        for (double f : chord)
            c += 0.08 * std::sin(2 * kPi * f * t);
        x[2 * i] = kick + hat + b + c * 1.1 + 1e-24;
        x[2 * i + 1] = kick + 0.8 * hat + b + c * 0.9 + 1e-24;
    }
    return x;
}

// Butterworth low-pass sections by the bilinear transform: real, stable
// coefficients of the magnitudes the plug-in's filters have.
template <int S, int C> Cascade<S, C> LowPass(double cutoffPerSample)
{
    Cascade<S, C> f;
    const int order = 2 * S;
    const double k = std::tan(kPi * cutoffPerSample);
    for (int s = 0; s < S; ++s)
    {
        const double theta = kPi * (2 * s + 1) / (2.0 * order);
        const double a = 2.0 * std::sin(theta);
        const double norm = 1.0 / (1.0 + a * k + k * k);
        Biquad& q = f.sections[s];
        q.b0 = k * k * norm;
        q.b1 = 2.0 * q.b0;
        q.b2 = q.b0;
        q.a1 = -2.0 * (k * k - 1.0) * norm;
        q.a2 = -(1.0 - a * k + k * k) * norm;
    }
    return f;
}

inline Biquad HighShelf(double frequencyPerSample, double gainDb, double slope)
{
    const double A = std::pow(10.0, gainDb / 40.0);
    const double w = 2.0 * kPi * frequencyPerSample;
    const double sn = std::sin(w), cs = std::cos(w);
    const double beta =
        sn * 0.5 * std::sqrt((1.0 / A + A) * (1.0 / slope - 1.0) + 2.0) * 2.0 * std::sqrt(A);
    const double d = A + 1.0, e = (A - 1.0) * cs, inv = 1.0 / (d - e + beta);
    Biquad q;
    q.a1 = -2.0 * ((A - 1.0) - d * cs) * inv;
    q.a2 = (e + beta - d) * inv;
    q.b0 = A * (d + e + beta) * inv;
    q.b1 = -2.0 * A * (d * cs + (A - 1.0)) * inv;
    q.b2 = A * (d + e - beta) * inv;
    return q;
}

inline double Coefficient(double ms, double rate)
{
    return std::exp(-1.0 / (rate * ms / 1000.0));
}

inline const std::vector<double>& Signal()
{
    static const std::vector<double> signal = MakeSignal();
    return signal;
}

// The signal at three times the rate, as the gain computers see it.
inline const std::vector<double>& Oversampled()
{
    static const std::vector<double> up = []
    {
        std::vector<double> out(6 * kSignalFrames);
        Cascade<3, 2> f = LowPass<3, 2>(20000.0 / (3 * kRate));
        UpsampleReference(f, Signal().data(), kSignalFrames, out.data());
        return out;
    }();
    return up;
}

// Settings that keep every model compressing part of the time, so the
// envelope selections change often (the hard case for a branch predictor).
inline VcaState MakeVca(double rate)
{
    VcaState s;
    s.attack = Coefficient(10.0, rate);
    s.release = Coefficient(200.0, rate);
    s.rms = std::exp(-1.0 / (rate * 0.0825));
    s.threshold = 0.1;
    s.ratio = 4.0;
    s.rightOffset = 0.004;
    return s;
}

inline FetState MakeFet(double rate)
{
    FetState s;
    s.attack = Coefficient(0.5, rate);
    s.release = Coefficient(300.0, rate);
    s.k = std::pow(10.0, -1.5) * 0.3 * 400.0;
    s.rightOffset = -0.003;
    return s;
}

inline OptoState MakeOpto(double rate)
{
    OptoState s;
    s.attack = static_cast<double>(std::exp(static_cast<float>(-1.0 / (rate * 0.01))));
    s.fastRelease = static_cast<double>(std::exp(static_cast<float>(-1.0 / (rate * 0.06))));
    s.slowRelease = static_cast<double>(std::exp(static_cast<float>(-1.0 / (rate * 0.6))));
    s.drive = std::pow(10.0, -1.5) * 450.0;
    s.rightOffset = 0.005;
    const Biquad q = HighShelf(1000.0 / rate, 6.0, 0.5);
    s.b0 = q.b0;
    s.b1 = q.b1;
    s.b2 = q.b2;
    s.a1 = q.a1;
    s.a2 = q.a2;
    return s;
}

inline AnalogState MakeAnalog(double drive)
{
    AnalogState s;
    s.bandLimit = LowPass<2, 2>(0.064);
    s.drive = drive;
    const double f = std::exp(-2.0 * kPi * static_cast<float>(15.0 / (3 * kRate)));
    s.dcB0 = (1.0 + f) / 2.0;
    s.dcB1 = -(1.0 + f) / 2.0;
    s.dcA1 = f;
    s.work.resize(2 * 4096);
    return s;
}

// ---------------------------------------------------------- pipelines ---

// One model's per-block work with oversampling and analog emulation on.
enum class Model
{
    Vca,
    Fet,
    Opto
};

struct Pipeline
{
    Model model;
    AnalogState analog;
    Cascade<3, 2> up = LowPass<3, 2>(20000.0 / (3 * kRate));
    Cascade<2, 2> down = LowPass<2, 2>(20000.0 / (3 * kRate));
    VcaState vca = MakeVca(3 * kRate);
    FetState fet = MakeFet(3 * kRate);
    OptoState opto = MakeOpto(3 * kRate);
    std::vector<double> over = std::vector<double>(6 * 4096);
    std::vector<double> envelopes = std::vector<double>(3 * 4096);

    explicit Pipeline(Model m) : model(m), analog(MakeAnalog(m == Model::Vca ? 0.005 : 0.5)) {}

    // The oversampled path in one pass (FloorFused.h); the VCA, being
    // feed-forward, gains nothing from it and keeps its separate passes.
    void RunFused(double* x, size_t n)
    {
        if (model == Model::Vca) return Run(x, n, true);
        AnalogFloor(analog, x, n);
        if (model == Model::Opto)
        {
            for (size_t i = 0; i < 2 * n; ++i)
                x[i] += 1e-24;
            OversampledFused<OptoStep>(up, opto, down, x, n, x);
        }
        else
            OversampledFused<FetStep>(up, fet, down, x, n, x);
    }

    void Run(double* x, size_t n, bool fast)
    {
        fast ? AnalogFloor(analog, x, n) : AnalogReference(analog, x, n);
        if (model != Model::Fet)
            for (size_t i = 0; i < 2 * n; ++i)
                x[i] += 1e-24;
        double* o = over.data();
        fast ? UpsampleInterleaved(up, x, n, o) : UpsampleReference(up, x, n, o);
        switch (model)
        {
        case Model::Vca:
            if (fast)
            {
                VcaRecursion(vca, o, 3 * n, envelopes.data());
                VcaApplyGains(vca, o, 3 * n, envelopes.data());
            }
            else
                VcaReference(vca, o, 3 * n);
            break;
        case Model::Fet:
            fast ? FetFloor(fet, o, 3 * n) : FetReference(fet, o, 3 * n);
            break;
        case Model::Opto:
            fast ? OptoFloor(opto, o, 3 * n) : OptoReference(opto, o, 3 * n);
            break;
        }
        fast ? DownsampleInterleaved(down, o, n, x) : DownsampleReference(down, o, n, x);
    }
};

} // namespace floorbench
