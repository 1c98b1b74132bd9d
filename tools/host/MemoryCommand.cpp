#include "BlockProcessor.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DemoSignal.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#if defined(__linux__)
#include <unistd.h>
#endif

namespace
{

int Usage(const std::string& error)
{
    std::fprintf(stderr,
                 "memory: %s\nusage: korvala-host memory PLUGIN.so [--instances N] [--block N] "
                 "[--rate R] [--set NAME=VALUE ...]\n",
                 error.c_str());
    return 2;
}

// Resident set size of this process in bytes, or -1 where it cannot be read.
long long ResidentBytes()
{
#if defined(__linux__)
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return -1;
    long long size = 0, resident = 0;
    const int got = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    if (got != 2) return -1;
    return resident * static_cast<long long>(sysconf(_SC_PAGESIZE));
#else
    return -1;
#endif
}

// One instance as a host would have it: opened, set up, the settings applied,
// resumed and one block processed in double precision where it can (else
// single).
bool OpenAndProcess(PluginInstance& plugin, const std::string& path, double rate, long block,
                    const std::vector<std::string>& sets, const AudioBuffer& input,
                    std::string& error)
{
    if (!plugin.Open(path))
    {
        error = "cannot load " + path + ": " + plugin.Error();
        return false;
    }
    plugin.SetSampleRate(rate);
    plugin.SetBlockSize(static_cast<VstInt32>(block));
    if (ParameterAssignment::ApplyAll(plugin, sets, error) != 0) return false;
    plugin.Resume();
    const Precision precision = plugin.CanDoubleReplacing() ? Precision::Double : Precision::Float;
    BlockProcessor processor(plugin, precision, static_cast<size_t>(block));
    AudioBuffer output;
    output.sampleRate = rate;
    output.channels.assign(2, std::vector<double>(input.Frames(), 0.0));
    processor.Process(input, nullptr, 0, static_cast<size_t>(block), output);
    return true;
}

} // namespace

// Resident memory per processing instance: the growth of this process's
// resident set over N instances that each processed one block, divided by N.
// One instance is opened and run first, so that loading the library and
// whatever it sets up once per process are not counted.
int RunMemory(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv, {"instances", "block", "rate", "set"}, error)) return Usage(error);
    if (args.Positional().size() != 1) return Usage("one plug-in path expected");
    const std::string& path = args.Positional()[0];
    long instances = 0, block = 0;
    double rate = 0.0;
    if (!args.GetInt("instances", 32, 1, 4096, instances, error) ||
        !args.GetInt("block", 512, 1, 1 << 16, block, error) ||
        !args.GetDouble("rate", 48000.0, 8000.0, 768000.0, rate, error))
        return Usage(error);
    const std::vector<std::string> sets = args.GetAll("set");

    const AudioBuffer input = DemoSignal::Generate(rate, static_cast<double>(block) / rate + 0.01);
    PluginInstance first;
    if (!OpenAndProcess(first, path, rate, block, sets, input, error))
    {
        std::fprintf(stderr, "memory: %s\n", error.c_str());
        return 1;
    }
    // The instances are made before the first reading, so that the list's
    // own growth is not counted.
    std::vector<std::unique_ptr<PluginInstance>> more;
    for (long i = 0; i < instances; ++i)
        more.push_back(std::make_unique<PluginInstance>());
    const long long before = ResidentBytes();
    for (auto& plugin : more)
        if (!OpenAndProcess(*plugin, path, rate, block, sets, input, error))
        {
            std::fprintf(stderr, "memory: %s\n", error.c_str());
            return 1;
        }
    const long long after = ResidentBytes();
    const std::string name = first.EffectName();
    for (auto& plugin : more)
        plugin->Close();
    first.Close();

    std::printf("plugin:           %s (%s)\n", name.c_str(), path.c_str());
    std::printf("instances:        %ld, each processed one block of %ld frames at %.0f Hz\n",
                instances, block, rate);
    if (before < 0 || after < 0)
    {
        std::printf("resident memory:  not measurable on this system\n");
        return 0;
    }
    std::printf("resident memory:  %.0f KiB per instance (%.0f KiB over %ld instances)\n",
                static_cast<double>(after - before) / 1024.0 / static_cast<double>(instances),
                static_cast<double>(after - before) / 1024.0, instances);
    return 0;
}
