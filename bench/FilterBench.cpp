// ns per frame of the four filter types the plug-in runs, general path
// against the two-channel path, at a block of 512 frames.

#include "dsp/filters/Dsp.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace
{

constexpr int kBlock = 512;

// Inverted rate of frames counted in units of 1e-9: nanoseconds per frame
// (the library prints inverted rates with an "s" suffix; the figure is ns).
benchmark::Counter NsPerFrame(const benchmark::State& state)
{
    return benchmark::Counter(double(state.iterations()) * kBlock * 1e-9,
                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

template <class Filter> std::vector<double> Signal()
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> v(kBlock * Filter::kChannels);
    for (double& x : v)
        x = u(rng);
    return v;
}

template <class Filter, class Design, class Run>
void RunBlocks(benchmark::State& state, Design design, Run run)
{
    Filter f;
    design(f);
    const std::vector<double> input = Signal<Filter>();
    std::vector<double> buf = input;
    for (auto _ : state)
    {
        // Fresh noise every block keeps the signal away from denormals; the
        // copy (a few hundredths of a ns per frame) is the same for both paths.
        buf = input;
        run(f, buf.data());
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_frame"] = NsPerFrame(state);
}

template <class Filter, class Design> void General(benchmark::State& state, Design design)
{
    RunBlocks<Filter>(state, design, [](Filter& f, double* p) { f.ProcessGeneral(kBlock, p); });
}

template <class Filter, class Design> void TwoChannel(benchmark::State& state, Design design)
{
    if (!Dsp::CascadeFilter::HasTwoChannelPath())
    {
        state.SkipWithError("no SSE3");
        return;
    }
    RunBlocks<Filter>(state, design, [](Filter& f, double* p) { f.ProcessTwoChannel(kBlock, p); });
}

auto bessel6 = [](Dsp::BesselLowPass<6, 2>& f) { f.Setup(1.0, 1.0 / 6); };
auto bessel4 = [](Dsp::BesselLowPass<4, 2>& f) { f.Setup(1.0, 1.0 / 6); };
auto cheby4 = [](Dsp::ChebyILowPass<4, 2>& f) { f.Setup(1.0, 0.064, 0.5); };
auto butter1 = [](Dsp::ButterHighPass<1, 1>& f) { f.Setup(1.0, 20.0 / 48000); };

void BM_BesselLowPass6x2_General(benchmark::State& s)
{
    General<Dsp::BesselLowPass<6, 2>>(s, bessel6);
}
void BM_BesselLowPass6x2_TwoChannel(benchmark::State& s)
{
    TwoChannel<Dsp::BesselLowPass<6, 2>>(s, bessel6);
}
void BM_BesselLowPass4x2_General(benchmark::State& s)
{
    General<Dsp::BesselLowPass<4, 2>>(s, bessel4);
}
void BM_BesselLowPass4x2_TwoChannel(benchmark::State& s)
{
    TwoChannel<Dsp::BesselLowPass<4, 2>>(s, bessel4);
}
void BM_ChebyILowPass4x2_General(benchmark::State& s)
{
    General<Dsp::ChebyILowPass<4, 2>>(s, cheby4);
}
void BM_ChebyILowPass4x2_TwoChannel(benchmark::State& s)
{
    TwoChannel<Dsp::ChebyILowPass<4, 2>>(s, cheby4);
}
void BM_ButterHighPass1x1_General(benchmark::State& s)
{
    General<Dsp::ButterHighPass<1, 1>>(s, butter1);
}

// The per-frame detector call of the one-channel high-pass.
void BM_ButterHighPass1x1_ProcessSample(benchmark::State& state)
{
    Dsp::ButterHighPass<1, 1> f;
    butter1(f);
    const std::vector<double> input = Signal<Dsp::ButterHighPass<1, 1>>();
    std::vector<double> buf = input;
    for (auto _ : state)
    {
        buf = input;
        for (double& v : buf)
            v = f.ProcessSample(v);
        benchmark::DoNotOptimize(buf.data());
    }
    state.counters["ns_per_frame"] = NsPerFrame(state);
}

} // namespace

BENCHMARK(BM_BesselLowPass6x2_General);
BENCHMARK(BM_BesselLowPass6x2_TwoChannel);
BENCHMARK(BM_BesselLowPass4x2_General);
BENCHMARK(BM_BesselLowPass4x2_TwoChannel);
BENCHMARK(BM_ChebyILowPass4x2_General);
BENCHMARK(BM_ChebyILowPass4x2_TwoChannel);
BENCHMARK(BM_ButterHighPass1x1_General);
BENCHMARK(BM_ButterHighPass1x1_ProcessSample);

BENCHMARK_MAIN();
