// bench_floor: what this machine can do for the compressor's fixed arithmetic.
//
// Each model's gain computer is, at heart, a serial recursion (its per-frame
// chain from detector value to the next gain); the filters are recursions too,
// but the two channels and the sections of a cascade are independent chains
// that can run side by side. This program times the floors the README
// quotes:
//   - each gain computer in the fastest exact form found, at three times
//     48 kHz, and alone at 48 kHz (oversampling and analog emulation off);
//   - each model's whole per-block pipeline (analog stage, up-sampling, gain
//     computer, down-sampling) built from the floor kernels, per second of
//     48 kHz audio, and for FET and opto the oversampled path fused into one
//     pass per host frame (not yet in the plug-in).
// Before timing it runs the exactness checks (bench_floor_check, which CTest
// runs on its own): a mismatch is reported and makes the program fail.
// Timing figures are printed, never asserted.

#include "FloorChecks.h"
#include "FloorPipeline.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

using namespace floorbench;

namespace
{

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

// Gain computers at 144 kHz (per oversampled frame; per second of audio
// means 144000 of those frames).
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

void FetGainFloor(benchmark::State& state)
{
    FetState s = MakeFet(kOverRate);
    RunSignal(state, Oversampled(), 2, 3 * kBlock, kOverRate,
              [&](double* x, size_t n) { FetFloor(s, x, n); });
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

// The FET and opto models' oversampled path in one pass per host frame.
template <Model M> void PipelineFused(benchmark::State& state)
{
    Pipeline p(M);
    RunSignal(state, Signal(), 2, kBlock, kRate, [&](double* x, size_t n) { p.RunFused(x, n); });
}

} // namespace

BENCHMARK(VcaGainFloor)->Name("GainVCA/Floor");
BENCHMARK(FetGainFloor)->Name("GainFET/Floor");
BENCHMARK(OptoGainFloor)->Name("GainOpto/Floor");
BENCHMARK(VcaOffFloor)->Name("ModelOff/VCA/Floor");
BENCHMARK(FetOffFloor)->Name("ModelOff/FET/Floor");
BENCHMARK(OptoOffFloor)->Name("ModelOff/Opto/Floor");
BENCHMARK(ModelPipeline<Model::Vca, true>)->Name("Model/VCA/Floor");
BENCHMARK(ModelPipeline<Model::Fet, true>)->Name("Model/FET/Floor");
BENCHMARK(PipelineFused<Model::Fet>)->Name("Model/FET/FloorFused");
BENCHMARK(ModelPipeline<Model::Opto, true>)->Name("Model/Opto/Floor");
BENCHMARK(PipelineFused<Model::Opto>)->Name("Model/Opto/FloorFused");

int main(int argc, char** argv)
{
    const int failures = RunFloorChecks();
    std::printf("\nt/frame: CPU time per frame at the kernel's rate (144 kHz for the gain\n"
                "computers, 48 kHz for ModelOff and Model); t/audio_s: CPU time per second\n"
                "of 48 kHz audio; x_realtime: its inverse.\n\n");
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
