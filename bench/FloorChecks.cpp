// The floor benchmark's exactness checks, without Google Benchmark: every
// fast form against its plain reference over mixed block sizes, and the
// floor kernels against the plug-in's own filters and models. CTest runs
// them as bench_floor_check; bench_floor runs them before timing.

#include "FloorChecks.h"

#include "FloorEngineCheck.h"
#include "FloorPipeline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace floorbench;

namespace
{

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

int CheckFastForms()
{
    std::printf("exactness of the fast forms against their references:\n");
    const std::vector<double> base(Signal().begin(), Signal().begin() + 2 * 24000);
    const std::vector<double> over(Oversampled().begin(), Oversampled().begin() + 6 * 24000);
    {
        auto r = LowPass<3, 2>(0.05), f = r;
        Check(
            "cascade 3x2 interleaved", base, 2,
            [&](double* x, size_t n) { ProcessReference(r, x, n); },
            [&](double* x, size_t n) { ProcessInterleaved(f, x, n); },
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
    for (Model m : {Model::Vca, Model::Fet, Model::Opto})
    {
        Pipeline r(m), f(m);
        const char* names[] = {"VCA pipeline", "FET pipeline", "opto pipeline"};
        Check(
            names[static_cast<int>(m)], base, 2, [&](double* x, size_t n) { r.Run(x, n, false); },
            [&](double* x, size_t n) { f.Run(x, n, true); }, [] { return true; });
    }
    return failures;
}

} // namespace

int RunFloorChecks()
{
    return CheckFastForms() + CheckAgainstEngine();
}
