#include "BlockProcessor.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DemoSignal.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace
{

int Usage(const std::string& error)
{
    std::fprintf(stderr,
                 "bench: %s\nusage: korvala-host bench PLUGIN.so [--seconds S] [--block N] "
                 "[--rate R] [--precision float|double|accumulate] [--set NAME=VALUE ...]\n",
                 error.c_str());
    return 2;
}

} // namespace

int RunBench(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv, {"seconds", "block", "rate", "precision", "set"}, error))
        return Usage(error);
    if (args.Positional().size() != 1) return Usage("one plug-in path expected");
    const std::string& path = args.Positional()[0];
    double seconds = 0.0, rate = 0.0;
    long block = 0;
    if (!args.GetDouble("seconds", 10.0, 0.01, 3600.0, seconds, error) ||
        !args.GetDouble("rate", 48000.0, 8000.0, 768000.0, rate, error) ||
        !args.GetInt("block", 512, 1, 1 << 20, block, error))
        return Usage(error);
    Precision precision = Precision::Float;
    if (!ParsePrecision(args.Get("precision", "float"), precision))
        return Usage("--precision is float, double or accumulate");

    // Generated before the clock starts: only the plug-in is timed.
    const AudioBuffer input = DemoSignal::Generate(rate, seconds);
    AudioBuffer output;
    output.sampleRate = rate;
    output.channels.assign(2, std::vector<double>(input.Frames(), 0.0));

    PluginInstance plugin;
    if (!plugin.Open(path))
    {
        std::fprintf(stderr, "bench: cannot load %s: %s\n", path.c_str(), plugin.Error().c_str());
        return 1;
    }
    if ((precision == Precision::Double && !plugin.CanDoubleReplacing()) ||
        (precision == Precision::Float && !plugin.CanReplacing()))
    {
        std::fprintf(stderr, "bench: the plug-in lacks that process callback\n");
        return 1;
    }
    plugin.SetSampleRate(rate);
    plugin.SetBlockSize(static_cast<VstInt32>(block));
    for (const std::string& text : args.GetAll("set"))
    {
        ParameterAssignment assignment;
        if (!assignment.Parse(text)) return Usage("--set wants NAME=VALUE, not \"" + text + "\"");
        if (!assignment.Apply(plugin, error))
        {
            std::fprintf(stderr, "bench: %s\n", error.c_str());
            return 1;
        }
    }
    plugin.Resume();
    BlockProcessor processor(plugin, precision, static_cast<size_t>(block));

    const size_t frames = input.Frames();
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    for (size_t start = 0; start < frames; start += static_cast<size_t>(block))
        processor.Process(input, nullptr, start,
                          std::min(static_cast<size_t>(block), frames - start), output);
    const std::clock_t cpuEnd = std::clock();
    const auto wallEnd = std::chrono::steady_clock::now();
    const std::string name = plugin.EffectName();
    plugin.Close();

    // clock() is process CPU time on POSIX; the buffer copies in and out of
    // the host's channel buffers are included, as a host would pay them too.
    const double cpu = static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(wallEnd - wallStart).count();
    const double audioSeconds = static_cast<double>(frames) / rate;
    std::printf("plugin:           %s (%s)\n", name.c_str(), path.c_str());
    std::printf("audio:            %.2f s generated stereo at %.0f Hz, block %ld, %s\n",
                audioSeconds, rate, block,
                precision == Precision::Float
                    ? "float"
                    : (precision == Precision::Double ? "double" : "accumulating"));
    std::printf("CPU time:         %.4f s (%.3f ms per second of audio)\n", cpu,
                1000.0 * cpu / audioSeconds);
    std::printf("wall time:        %.4f s\n", wall);
    if (cpu > 0.0)
        std::printf("real-time factor: %.1fx (seconds of audio per CPU second)\n",
                    audioSeconds / cpu);
    else
        std::printf("real-time factor: too fast to measure; use more --seconds\n");
    return 0;
}
