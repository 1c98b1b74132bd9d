// bench_floor: what this machine can do for the compressor's fixed arithmetic.
//
// Each model's gain computer is, at heart, a serial recursion (its per-frame
// chain from detector value to the next gain); the filters are recursions too,
// but the two channels and the sections of a cascade are independent chains
// that can run side by side. This program times
//   - the filters at their throughput: one section, two channels, cascades in
//     the reference order, section by section, and interleaved; up-sampling
//     with the known zeros skipped and down-sampling that stores only the
//     frames it keeps;
//   - the gain computers in a plain reference form and in the fastest form
//     found, at three times 48 kHz;
//   - each model's whole per-block pipeline (analog stage, up-sampling, gain
//     computer, down-sampling) built from the reference kernels and from the
//     floor kernels, per second of 48 kHz audio.
// Before timing, every fast form is checked bit for bit against its reference
// over several block sizes; a mismatch is reported and makes the program fail.
// Timing figures are printed, never asserted.

#include "FloorAnalog.h"
#include "FloorEngineCheck.h"
#include "FloorFilters.h"
#include "FloorFused.h"
#include "FloorModels.h"

#include <benchmark/benchmark.h>

#include <algorithm>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace floorbench;

namespace
{

constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;
constexpr size_t kBlock = 512;          // host frames per block
constexpr size_t kSignalFrames = 96000; // two seconds, cycled through

// ------------------------------------------------------------ set-up ----

// A deterministic music-like stereo signal at 48 kHz: kick and hi-hat
// transients, a bass line and a chord, with the chain's 1e-24 added.
std::vector<double> MakeSignal()
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

Biquad HighShelf(double frequencyPerSample, double gainDb, double slope)
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

double Coefficient(double ms, double rate)
{
    return std::exp(-1.0 / (rate * ms / 1000.0));
}

const std::vector<double>& Signal()
{
    static const std::vector<double> signal = MakeSignal();
    return signal;
}

// The signal at three times the rate, as the gain computers see it.
const std::vector<double>& Oversampled()
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
VcaState MakeVca(double rate)
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

FetState MakeFet(double rate)
{
    FetState s;
    s.attack = Coefficient(0.5, rate);
    s.release = Coefficient(300.0, rate);
    s.k = std::pow(10.0, -1.5) * 0.3 * 400.0;
    s.rightOffset = -0.003;
    return s;
}

OptoState MakeOpto(double rate)
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

AnalogState MakeAnalog(double drive)
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

// ------------------------------------------------------------ chain -----

// The plug-in's per-block chain around the model: interleave the host's
// channels (main and sidechain), input gain, signed input peaks, the 1e-24
// offsets (the chain's, then the VCA or opto model's own), and after the model
// output gain, output peaks and de-interleave. Reference in separate passes,
// floor in one packed pass before and one after; the sidechain is skipped
// while no model reads it. Peaks: max is exact, and _mm_max_pd(x, peak)
// keeps peak for a NaN x as std::max(peak, x) does.
struct Chain
{
    std::vector<double> in[4], out[2], main, side;
    double inGain = 0.7, outGain = 1.3;
    double peaks[4] = {0, 0, 0, 0};

    Chain()
    {
        for (int c = 0; c < 4; ++c)
        {
            in[c].resize(kBlock);
            for (size_t i = 0; i < kBlock; ++i)
                in[c][i] = Signal()[2 * i + (c & 1)] - 1e-24;
        }
        out[0].resize(kBlock);
        out[1].resize(kBlock);
        main.resize(2 * kBlock);
        side.resize(2 * kBlock);
    }

    void Reference(size_t n)
    {
        for (size_t i = 0; i < n; ++i)
        {
            main[2 * i] = in[0][i];
            main[2 * i + 1] = in[1][i];
            side[2 * i] = in[2][i];
            side[2 * i + 1] = in[3][i];
        }
        for (size_t i = 0; i < 2 * n; ++i)
            main[i] *= inGain;
        double pl = 0.0, pr = 0.0;
        for (size_t i = 0; i < n; ++i)
        {
            pl = std::max(pl, main[2 * i]);
            pr = std::max(pr, main[2 * i + 1]);
        }
        for (size_t i = 0; i < 2 * n; ++i)
            main[i] += 1e-24;
        for (size_t i = 0; i < 2 * n; ++i)
            main[i] += 1e-24;
        for (size_t i = 0; i < 2 * n; ++i)
            main[i] *= outGain;
        double ql = 0.0, qr = 0.0;
        for (size_t i = 0; i < n; ++i)
        {
            ql = std::max(ql, main[2 * i]);
            qr = std::max(qr, main[2 * i + 1]);
            out[0][i] = main[2 * i];
            out[1][i] = main[2 * i + 1];
        }
        peaks[0] = pl, peaks[1] = pr, peaks[2] = ql, peaks[3] = qr;
    }

    void Floor(size_t n)
    {
        const __m128d g = _mm_set1_pd(inGain), h = _mm_set1_pd(outGain), tiny = _mm_set1_pd(1e-24);
        __m128d p = _mm_setzero_pd(), q = _mm_setzero_pd();
        for (size_t i = 0; i < n; ++i)
        {
            const __m128d v = _mm_mul_pd(_mm_set_pd(in[1][i], in[0][i]), g);
            p = _mm_max_pd(v, p);
            _mm_storeu_pd(&main[2 * i], _mm_add_pd(_mm_add_pd(v, tiny), tiny));
        }
        // (the model runs here)
        for (size_t i = 0; i < n; ++i)
        {
            const __m128d v = _mm_mul_pd(_mm_loadu_pd(&main[2 * i]), h);
            q = _mm_max_pd(v, q);
            _mm_storel_pd(&out[0][i], v);
            _mm_storeh_pd(&out[1][i], v);
        }
        _mm_storel_pd(&peaks[0], p);
        _mm_storeh_pd(&peaks[1], p);
        _mm_storel_pd(&peaks[2], q);
        _mm_storeh_pd(&peaks[3], q);
    }
};

// --------------------------------------------------------- exactness ----

// Runs reference and fast form over the same blocks of the signal (several
// block sizes, state carried across blocks) and compares every output value
// and the final state bit for bit.
using Kernel = std::function<void(double* x, size_t frames)>;

bool SameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

int failures = 0;

void Check(const char* name, const std::vector<double>& input, size_t frameSize, const Kernel& ref,
           const Kernel& fast, const std::function<bool()>& sameState)
{
    static const size_t sizes[] = {512, 1, 7, 64, 333, 2048, 3};
    std::vector<double> a(input), b(input);
    const size_t frames = input.size() / frameSize;
    size_t pos = 0, k = 0;
    while (pos < frames)
    {
        const size_t n = std::min(sizes[k++ % 7], frames - pos);
        ref(a.data() + pos * frameSize, n);
        fast(b.data() + pos * frameSize, n);
        pos += n;
    }
    const bool ok = SameBits(a, b) && sameState();
    std::printf("%-44s %s\n", name, ok ? "bit-identical" : "DIFFERS");
    if (!ok) ++failures;
}

template <typename T> bool SameObject(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void CheckAll()
{
    std::printf("exactness of the fast forms against their references:\n");
    const std::vector<double> base(Signal().begin(), Signal().begin() + 2 * 24000);
    const std::vector<double> over(Oversampled().begin(), Oversampled().begin() + 6 * 24000);
    {
        auto r = LowPass<3, 2>(0.05), f = r;
        Check(
            "cascade 3x2 section by section", base, 2,
            [&](double* x, size_t n) { ProcessReference(r, x, n); },
            [&](double* x, size_t n) { ProcessSectionBySection(f, x, n); },
            [&] { return SameObject(r.state, f.state); });
    }
    {
        auto r = LowPass<3, 2>(0.05), f = r;
        Check(
            "cascade 3x2 interleaved", base, 2,
            [&](double* x, size_t n) { ProcessReference(r, x, n); },
            [&](double* x, size_t n) { ProcessInterleaved(f, x, n); },
            [&] { return SameObject(r.state, f.state); });
    }
    {
        auto r = LowPass<3, 2>(0.05), f = r;
        Check(
            "cascade 3x2 frame-major packed", base, 2,
            [&](double* x, size_t n) { ProcessReference(r, x, n); },
            [&](double* x, size_t n) { ProcessFrameMajor(f, x, n); },
            [&] { return SameObject(r.state, f.state); });
    }
    {
        auto r = LowPass<3, 2>(20000.0 / (3 * kRate)), f = r;
        std::vector<double> outR(6 * 2048), outF(6 * 2048);
        // The kernels write into separate buffers; compare those too.
        std::vector<double> allR, allF;
        Check(
            "up-sampling x3, zeros skipped, interleaved", base, 2,
            [&](double* x, size_t n)
            {
                UpsampleReference(r, x, n, outR.data());
                allR.insert(allR.end(), outR.begin(), outR.begin() + 6 * n);
            },
            [&](double* x, size_t n)
            {
                UpsampleInterleaved(f, x, n, outF.data());
                allF.insert(allF.end(), outF.begin(), outF.begin() + 6 * n);
            },
            [&] { return SameObject(r.state, f.state) && SameBits(allR, allF); });
    }
    {
        auto r = LowPass<2, 2>(20000.0 / (3 * kRate)), f = r;
        std::vector<double> outR, outF, tmp(6 * 2048), res(2 * 2048);
        Check(
            "down-sampling x3, interleaved, kept frames", over, 6,
            [&](double* x, size_t n)
            {
                std::memcpy(tmp.data(), x, 6 * n * sizeof(double));
                DownsampleReference(r, tmp.data(), n, res.data());
                outR.insert(outR.end(), res.begin(), res.begin() + 2 * n);
            },
            [&](double* x, size_t n)
            {
                DownsampleInterleaved(f, x, n, res.data());
                outF.insert(outF.end(), res.begin(), res.begin() + 2 * n);
            },
            [&] { return SameObject(r.state, f.state) && SameBits(outR, outF); });
    }
    {
        AnalogState r = MakeAnalog(0.5), f = MakeAnalog(0.5);
        Check(
            "analog stage, one packed pass", base, 2,
            [&](double* x, size_t n) { AnalogReference(r, x, n); },
            [&](double* x, size_t n) { AnalogFloor(f, x, n); },
            [&]
            {
                return SameObject(r.bandLimit.state, f.bandLimit.state) && r.s1 == f.s1 &&
                       std::memcmp(r.dcY1, f.dcY1, sizeof r.dcY1) == 0;
            });
    }
    {
        VcaState r = MakeVca(3 * kRate), f = r;
        std::vector<double> env(3 * 4096);
        Check(
            "VCA: serial recursion + packed gains", over, 2,
            [&](double* x, size_t n) { VcaReference(r, x, n); },
            [&](double* x, size_t n)
            {
                VcaRecursion(f, x, n, env.data());
                VcaApplyGains(f, x, n, env.data());
            },
            [&] { return SameObject(r, f); });
    }
    {
        VcaState r = MakeVca(3 * kRate), f = r;
        std::vector<double> env(3 * 4096);
        Check(
            "VCA: branch-free recursion + packed gains", over, 2,
            [&](double* x, size_t n) { VcaReference(r, x, n); },
            [&](double* x, size_t n)
            {
                VcaRecursionBranchFree(f, x, n, env.data());
                VcaApplyGains(f, x, n, env.data());
            },
            [&] { return SameObject(r, f); });
    }
    {
        FetState r = MakeFet(3 * kRate), f = r;
        Check(
            "FET: branch-free", over, 2, [&](double* x, size_t n) { FetReference(r, x, n); },
            [&](double* x, size_t n) { FetBranchFree(f, x, n); }, [&] { return SameObject(r, f); });
    }
    {
        OptoState r = MakeOpto(3 * kRate), f = r;
        Check(
            "opto: branch-free", over, 2, [&](double* x, size_t n) { OptoReference(r, x, n); },
            [&](double* x, size_t n) { OptoBranchFree(f, x, n); },
            [&]
            {
                return r.gain == f.gain && r.envelope == f.envelope && r.split == f.split &&
                       r.attackPhase == f.attackPhase && r.y1 == f.y1 && r.smallest == f.smallest;
            });
    }
    {
        FetState r = MakeFet(3 * kRate), f = r;
        Check(
            "FET: branches, hoisted, shorter chain", over, 2,
            [&](double* x, size_t n) { FetReference(r, x, n); },
            [&](double* x, size_t n) { FetFloor(f, x, n); }, [&] { return SameObject(r, f); });
    }
    {
        OptoState r = MakeOpto(3 * kRate), f = r;
        Check(
            "opto: branches, hoisted", over, 2,
            [&](double* x, size_t n) { OptoReference(r, x, n); },
            [&](double* x, size_t n) { OptoFloor(f, x, n); },
            [&]
            {
                return r.gain == f.gain && r.envelope == f.envelope && r.split == f.split &&
                       r.attackPhase == f.attackPhase && r.y1 == f.y1 && r.smallest == f.smallest;
            });
    }
    {
        // Where the shorter chain's rewrites could show: a drive that pins the
        // curve at its clamp, then silence with a fast release, so that the
        // envelope sinks through the subnormal range to zero.
        FetState r = MakeFet(3 * kRate);
        r.k *= 5000.0;
        r.release = Coefficient(0.05, 3 * kRate);
        FetState f = r;
        std::vector<double> hot(over);
        std::fill(hot.begin() + hot.size() / 2, hot.end(), 0.0);
        double least = 1.0;
        Check(
            "FET: shorter chain at clamp and underflow", hot, 2,
            [&](double* x, size_t n)
            {
                FetReference(r, x, n);
                least = std::min(least, r.smallest);
            },
            [&](double* x, size_t n) { FetFloor(f, x, n); }, [&] { return SameObject(r, f); });
        std::printf("  (smallest gain %g, last envelope %g)\n", least, r.envelope);
    }
    {
        Pipeline r(Model::Fet), f(Model::Fet);
        Check(
            "FET pipeline, oversampled path fused", base, 2,
            [&](double* x, size_t n) { r.Run(x, n, false); },
            [&](double* x, size_t n) { f.RunFused(x, n); },
            [&] { return SameObject(r.fet, f.fet) && SameObject(r.down.state, f.down.state); });
    }
    {
        Pipeline r(Model::Opto), f(Model::Opto);
        Check(
            "opto pipeline, oversampled path fused", base, 2,
            [&](double* x, size_t n) { r.Run(x, n, false); },
            [&](double* x, size_t n) { f.RunFused(x, n); },
            [&]
            {
                return r.opto.gain == f.opto.gain && r.opto.envelope == f.opto.envelope &&
                       r.opto.split == f.opto.split && SameObject(r.down.state, f.down.state);
            });
    }
    {
        Chain r, f;
        r.Reference(kBlock);
        f.Floor(kBlock);
        const bool ok = SameBits(r.out[0], f.out[0]) && SameBits(r.out[1], f.out[1]) &&
                        std::memcmp(r.peaks, f.peaks, sizeof r.peaks) == 0;
        std::printf("%-44s %s\n", "chain around the model, two packed passes",
                    ok ? "bit-identical" : "DIFFERS");
        if (!ok) ++failures;
    }
    for (Model m : {Model::Vca, Model::Fet, Model::Opto})
    {
        Pipeline r(m), f(m);
        const char* names[] = {"VCA pipeline", "FET pipeline", "opto pipeline"};
        Check(
            names[static_cast<int>(m)], base, 2, [&](double* x, size_t n) { r.Run(x, n, false); },
            [&](double* x, size_t n) { f.Run(x, n, true); }, [] { return true; });
    }
}

// ---------------------------------------------------------- benchmarks --

// Per iteration one block of kBlock host frames (3 * kBlock at the
// oversampled rate), walking through the signal so that the data vary.
// Counters: time per frame at the rate the kernel runs, CPU time per second
// of 48 kHz audio and the real-time factor.
void SetCounters(benchmark::State& state, double framesPerBlock, double audioSecondsPerBlock)
{
    using benchmark::Counter;
    state.counters["t/frame"] =
        Counter(framesPerBlock, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["t/audio_s"] =
        Counter(audioSecondsPerBlock, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["x_realtime"] =
        Counter(audioSecondsPerBlock, Counter::kIsIterationInvariantRate);
}

// One pass over the whole signal, block by block, per iteration: long enough
// that PauseTiming's own cost does not show.
template <typename F>
void RunSignal(benchmark::State& state, const std::vector<double>& source, size_t frameSize,
               size_t blockFrames, double rate, F&& kernel)
{
    std::vector<double> work(source);
    const size_t frames = source.size() / frameSize;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::memcpy(work.data(), source.data(), work.size() * sizeof(double));
        state.ResumeTiming();
        for (size_t pos = 0; pos + blockFrames <= frames; pos += blockFrames)
            kernel(work.data() + pos * frameSize, blockFrames);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    const double done = static_cast<double>(frames / blockFrames * blockFrames);
    SetCounters(state, done, done / rate);
}

const double kOverRate = 3 * kRate;

// Filters at their throughput, on the oversampled signal at 144 kHz (the
// rate of the up- and down-sampling cascades).
void OneSectionOneChannel(benchmark::State& state)
{
    Cascade<1, 1> f = LowPass<1, 1>(0.05);
    std::vector<double> mono(Oversampled().size() / 2);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = Oversampled()[2 * i];
    RunSignal(state, mono, 1, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessReference(f, x, n); });
}

void OneSectionTwoChannelsScalar(benchmark::State& state)
{
    Cascade<1, 2> f = LowPass<1, 2>(0.05);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessReference(f, x, n); });
}

void OneSectionTwoChannelsPacked(benchmark::State& state)
{
    Cascade<1, 2> f = LowPass<1, 2>(0.05);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessSectionBySection(f, x, n); });
}

template <int S> void CascadeReference(benchmark::State& state)
{
    Cascade<S, 2> f = LowPass<S, 2>(0.05);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessReference(f, x, n); });
}

template <int S> void CascadeSectionBySection(benchmark::State& state)
{
    Cascade<S, 2> f = LowPass<S, 2>(0.05);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessSectionBySection(f, x, n); });
}

template <int S> void CascadeFrameMajor(benchmark::State& state)
{
    Cascade<S, 2> f = LowPass<S, 2>(0.05);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessFrameMajor(f, x, n); });
}

template <int S> void CascadeInterleaved(benchmark::State& state)
{
    Cascade<S, 2> f = LowPass<S, 2>(0.05);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { ProcessInterleaved(f, x, n); });
}

// Up- and down-sampling, per host frame (the counters count host frames).
void UpReference(benchmark::State& state)
{
    auto f = LowPass<3, 2>(20000.0 / kOverRate);
    std::vector<double> out(6 * kBlock);
    RunSignal(state, Signal(), 2, kBlock, kRate,
              [&](double* x, size_t n) { UpsampleReference(f, x, n, out.data()); });
}

// As a two-channel frame-major cascade does it: stuff, then filter.
void UpStuffFrameMajor(benchmark::State& state)
{
    auto f = LowPass<3, 2>(20000.0 / kOverRate);
    std::vector<double> out(6 * kBlock);
    RunSignal(state, Signal(), 2, kBlock, kRate,
              [&](double* x, size_t n)
              {
                  for (size_t i = 0; i < n; ++i)
                  {
                      out[6 * i + 0] = 3.0 * x[2 * i + 0];
                      out[6 * i + 1] = 3.0 * x[2 * i + 1];
                      for (int k = 2; k < 6; ++k)
                          out[6 * i + k] = 0.0;
                  }
                  ProcessFrameMajor(f, out.data(), 3 * n);
              });
}

void DownFrameMajorPick(benchmark::State& state)
{
    auto f = LowPass<2, 2>(20000.0 / kOverRate);
    std::vector<double> out(2 * kBlock);
    RunSignal(state, Oversampled(), 6, kBlock, kRate,
              [&](double* x, size_t n)
              {
                  ProcessFrameMajor(f, x, 3 * n);
                  for (size_t j = 0; j < n; ++j)
                  {
                      out[2 * j] = x[6 * j];
                      out[2 * j + 1] = x[6 * j + 1];
                  }
              });
}

void UpInterleaved(benchmark::State& state)
{
    auto f = LowPass<3, 2>(20000.0 / kOverRate);
    std::vector<double> out(6 * kBlock);
    RunSignal(state, Signal(), 2, kBlock, kRate,
              [&](double* x, size_t n) { UpsampleInterleaved(f, x, n, out.data()); });
}

void DownReference(benchmark::State& state)
{
    auto f = LowPass<2, 2>(20000.0 / kOverRate);
    std::vector<double> out(2 * kBlock);
    RunSignal(state, Oversampled(), 6, kBlock, kRate,
              [&](double* x, size_t n) { DownsampleReference(f, x, n, out.data()); });
}

void DownInterleaved(benchmark::State& state)
{
    auto f = LowPass<2, 2>(20000.0 / kOverRate);
    std::vector<double> out(2 * kBlock);
    RunSignal(state, Oversampled(), 6, kBlock, kRate,
              [&](double* x, size_t n) { DownsampleInterleaved(f, x, n, out.data()); });
}

void AnalogStageReference(benchmark::State& state)
{
    AnalogState s = MakeAnalog(0.5);
    RunSignal(state, Signal(), 2, kBlock, kRate,
              [&](double* x, size_t n) { AnalogReference(s, x, n); });
}

void AnalogStageFloor(benchmark::State& state)
{
    AnalogState s = MakeAnalog(0.5);
    RunSignal(state, Signal(), 2, kBlock, kRate,
              [&](double* x, size_t n) { AnalogFloor(s, x, n); });
}

// Gain computers at 144 kHz (per oversampled frame; per second of audio
// means 144000 of those frames).
void VcaGainReference(benchmark::State& state)
{
    VcaState s = MakeVca(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { VcaReference(s, x, n); });
}

void VcaGainRecursionOnly(benchmark::State& state)
{
    VcaState s = MakeVca(kOverRate);
    std::vector<double> env(3 * kBlock);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { VcaRecursion(s, x, n, env.data()); });
}

void VcaGainFloor(benchmark::State& state)
{
    VcaState s = MakeVca(kOverRate);
    std::vector<double> env(3 * kBlock);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n)
              {
                  VcaRecursion(s, x, n, env.data());
                  VcaApplyGains(s, x, n, env.data());
              });
}

void VcaGainRecursionBranchFree(benchmark::State& state)
{
    VcaState s = MakeVca(kOverRate);
    std::vector<double> env(3 * kBlock);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { VcaRecursionBranchFree(s, x, n, env.data()); });
}

void FetGainBranchFree(benchmark::State& state)
{
    FetState s = MakeFet(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { FetBranchFree(s, x, n); });
}

void OptoGainBranchFree(benchmark::State& state)
{
    OptoState s = MakeOpto(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { OptoBranchFree(s, x, n); });
}

void FetGainReference(benchmark::State& state)
{
    FetState s = MakeFet(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { FetReference(s, x, n); });
}

void FetGainFloor(benchmark::State& state)
{
    FetState s = MakeFet(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { FetFloor(s, x, n); });
}

void OptoGainReference(benchmark::State& state)
{
    OptoState s = MakeOpto(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { OptoReference(s, x, n); });
}

void OptoGainFloor(benchmark::State& state)
{
    OptoState s = MakeOpto(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { OptoFloor(s, x, n); });
}

// With oversampling and analog emulation off: the gain computer alone at
// 48 kHz, which is all the model then does.
void VcaOffFloor(benchmark::State& state)
{
    VcaState s = MakeVca(kRate);
    std::vector<double> env(kBlock);
    RunSignal(state, Signal(), 2, kBlock, kRate,
              [&](double* x, size_t n)
              {
                  VcaRecursion(s, x, n, env.data());
                  VcaApplyGains(s, x, n, env.data());
              });
}

void FetOffFloor(benchmark::State& state)
{
    FetState s = MakeFet(kRate);
    RunSignal(state, Signal(), 2, kBlock, kRate, [&](double* x, size_t n) { FetFloor(s, x, n); });
}

void OptoOffFloor(benchmark::State& state)
{
    OptoState s = MakeOpto(kRate);
    RunSignal(state, Signal(), 2, kBlock, kRate, [&](double* x, size_t n) { OptoFloor(s, x, n); });
}

// Whole models with oversampling and analog on, per host frame.
template <Model M, bool Fast> void ModelPipeline(benchmark::State& state)
{
    Pipeline p(M);
    RunSignal(state, Signal(), 2, kBlock, kRate, [&](double* x, size_t n) { p.Run(x, n, Fast); });
}

// The chain around the model for one block of 512 host frames.
template <bool Fast> void ChainPasses(benchmark::State& state)
{
    Chain c;
    for (auto _ : state)
    {
        Fast ? c.Floor(kBlock) : c.Reference(kBlock);
        benchmark::DoNotOptimize(c.out[0].data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, kBlock, kBlock / kRate);
}

template <Model M> void PipelineFused(benchmark::State& state)
{
    Pipeline p(M);
    RunSignal(state, Signal(), 2, kBlock, kRate, [&](double* x, size_t n) { p.RunFused(x, n); });
}

} // namespace

BENCHMARK(OneSectionOneChannel);
BENCHMARK(OneSectionTwoChannelsScalar);
BENCHMARK(OneSectionTwoChannelsPacked);
BENCHMARK(CascadeReference<2>)->Name("Cascade2x2/Reference");
BENCHMARK(CascadeSectionBySection<2>)->Name("Cascade2x2/SectionBySection");
BENCHMARK(CascadeFrameMajor<2>)->Name("Cascade2x2/FrameMajorPacked");
BENCHMARK(CascadeInterleaved<2>)->Name("Cascade2x2/Interleaved");
BENCHMARK(CascadeReference<3>)->Name("Cascade3x2/Reference");
BENCHMARK(CascadeSectionBySection<3>)->Name("Cascade3x2/SectionBySection");
BENCHMARK(CascadeFrameMajor<3>)->Name("Cascade3x2/FrameMajorPacked");
BENCHMARK(CascadeInterleaved<3>)->Name("Cascade3x2/Interleaved");
BENCHMARK(UpReference)->Name("Upsample3/Reference");
BENCHMARK(UpStuffFrameMajor)->Name("Upsample3/StuffThenFrameMajor");
BENCHMARK(UpInterleaved)->Name("Upsample3/ZerosSkippedInterleaved");
BENCHMARK(DownReference)->Name("Downsample3/Reference");
BENCHMARK(DownFrameMajorPick)->Name("Downsample3/FrameMajorThenPick");
BENCHMARK(DownInterleaved)->Name("Downsample3/InterleavedKeptOnly");
BENCHMARK(AnalogStageReference)->Name("AnalogStage/Reference");
BENCHMARK(AnalogStageFloor)->Name("AnalogStage/Floor");
BENCHMARK(VcaGainReference)->Name("GainVCA/Reference");
BENCHMARK(VcaGainRecursionOnly)->Name("GainVCA/RecursionOnly");
BENCHMARK(VcaGainRecursionBranchFree)->Name("GainVCA/RecursionOnlyBranchFree");
BENCHMARK(VcaGainFloor)->Name("GainVCA/Floor");
BENCHMARK(FetGainReference)->Name("GainFET/Reference");
BENCHMARK(FetGainBranchFree)->Name("GainFET/BranchFree");
BENCHMARK(FetGainFloor)->Name("GainFET/Floor");
BENCHMARK(OptoGainReference)->Name("GainOpto/Reference");
BENCHMARK(OptoGainBranchFree)->Name("GainOpto/BranchFree");
BENCHMARK(OptoGainFloor)->Name("GainOpto/Floor");
BENCHMARK(ChainPasses<false>)->Name("Chain/Reference");
BENCHMARK(ChainPasses<true>)->Name("Chain/Floor");
BENCHMARK(VcaOffFloor)->Name("ModelOff/VCA/Floor");
BENCHMARK(FetOffFloor)->Name("ModelOff/FET/Floor");
BENCHMARK(OptoOffFloor)->Name("ModelOff/Opto/Floor");
BENCHMARK(ModelPipeline<Model::Vca, false>)->Name("Model/VCA/Reference");
BENCHMARK(ModelPipeline<Model::Vca, true>)->Name("Model/VCA/Floor");
BENCHMARK(ModelPipeline<Model::Fet, false>)->Name("Model/FET/Reference");
BENCHMARK(ModelPipeline<Model::Fet, true>)->Name("Model/FET/Floor");
BENCHMARK(PipelineFused<Model::Fet>)->Name("Model/FET/FloorFused");
BENCHMARK(ModelPipeline<Model::Opto, false>)->Name("Model/Opto/Reference");
BENCHMARK(ModelPipeline<Model::Opto, true>)->Name("Model/Opto/Floor");
BENCHMARK(PipelineFused<Model::Opto>)->Name("Model/Opto/FloorFused");

int main(int argc, char** argv)
{
    CheckAll();
    failures += CheckAgainstEngine();
    std::printf("\nt/frame: CPU time per frame at the kernel's rate (144 kHz for filters and gain\n"
                "computers, 48 kHz for Upsample3, Downsample3, AnalogStage, ModelOff, Model);\n"
                "t/audio_s: CPU time per second of 48 kHz audio; x_realtime: its inverse.\n\n");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (failures != 0)
    {
        std::printf("%d fast form(s) differ from their reference\n", failures);
        return 1;
    }
    return 0;
}
