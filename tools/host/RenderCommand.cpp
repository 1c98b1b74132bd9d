#include "AudioFile.h"
#include "BlockProcessor.h"
#include "CommandLine.h"
#include "Commands.h"
#include "LevelMeter.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace
{

// Blocks quieter than this (RMS, about -100 dBFS) give no gain estimate: the
// ratio of two near-silences says nothing about the compressor.
constexpr double kQuietRms = 1e-5;

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

int Usage(const std::string& error)
{
    std::fprintf(stderr,
                 "render: %s\nusage: korvala-host render PLUGIN.so IN.wav OUT.wav "
                 "[--sidechain SC.wav] [--set NAME=VALUE ...] [--block N]\n"
                 "       [--precision float|double|accumulate] [--state FILE] "
                 "[--save-state FILE] [--series FILE]\n"
                 "       [--sample-format float|double]\n",
                 error.c_str());
    return 2;
}

void PrintLevels(const char* title, const LevelMeter& meter)
{
    std::printf("%-8s peak %8.2f dBFS   RMS %8.2f dBFS\n", title, LevelMeter::ToDb(meter.Peak()),
                LevelMeter::ToDb(meter.Rms()));
}

} // namespace

int RunRender(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv,
                    {"sidechain", "set", "block", "precision", "state", "save-state", "series",
                     "sample-format"},
                    error))
        return Usage(error);
    if (args.Positional().size() != 3)
        return Usage("a plug-in, an input and an output file expected");
    const std::string& pluginPath = args.Positional()[0];
    const std::string& inPath = args.Positional()[1];
    const std::string& outPath = args.Positional()[2];

    long block = 0;
    if (!args.GetInt("block", 512, 1, 1 << 20, block, error)) return Usage(error);
    Precision precision = Precision::Float;
    if (!ParsePrecision(args.Get("precision", "float"), precision))
        return Usage("--precision is float, double or accumulate");

    const std::string sampleFormat = args.Get("sample-format", "float");
    if (sampleFormat != "float" && sampleFormat != "double")
        return Usage("--sample-format is float (32-bit WAV) or double (64-bit WAV)");
    const AudioFile::SampleFormat fileFormat = sampleFormat == "double"
                                                   ? AudioFile::SampleFormat::Float64
                                                   : AudioFile::SampleFormat::Float32;

    AudioBuffer input;
    if (!AudioFile::Read(inPath, input, error))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    AudioBuffer sidechain;
    const bool hasSidechain = args.Has("sidechain");
    if (hasSidechain)
    {
        if (!AudioFile::Read(args.Get("sidechain"), sidechain, error))
        {
            std::fprintf(stderr, "render: %s\n", error.c_str());
            return 1;
        }
        if (sidechain.sampleRate != input.sampleRate)
        {
            std::fprintf(stderr, "render: the sidechain runs at %.0f Hz, the input at %.0f Hz\n",
                         sidechain.sampleRate, input.sampleRate);
            return 1;
        }
    }

    PluginInstance plugin;
    if (!plugin.Open(pluginPath))
    {
        std::fprintf(stderr, "render: cannot load %s: %s\n", pluginPath.c_str(),
                     plugin.Error().c_str());
        return 1;
    }
    if (precision == Precision::Double && !plugin.CanDoubleReplacing())
    {
        std::fprintf(stderr, "render: the plug-in does not process double precision\n");
        return 1;
    }
    if (precision == Precision::Float && !plugin.CanReplacing())
    {
        std::fprintf(stderr, "render: the plug-in does not process replacing\n");
        return 1;
    }
    plugin.SetSampleRate(input.sampleRate);
    plugin.SetBlockSize(static_cast<VstInt32>(block));

    if (args.Has("state") && !plugin.SetChunkFromFile(args.Get("state"), error))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    switch (ParameterAssignment::ApplyAll(plugin, args.GetAll("set"), error))
    {
    case 0: break;
    case 2: return Usage(error);
    default:
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    plugin.Resume();

    std::printf("plugin:   %s (%s)\n", plugin.EffectName().c_str(), pluginPath.c_str());
    std::printf("input:    %s, %zu frames, %zu channels, %.0f Hz\n", inPath.c_str(), input.Frames(),
                input.Channels(), input.sampleRate);
    std::printf("block:    %ld frames, %s\n", block,
                precision == Precision::Float
                    ? "float (processReplacing)"
                    : (precision == Precision::Double ? "double (processDoubleReplacing)"
                                                      : "float (accumulating process)"));
    std::printf("settings:");
    for (VstInt32 i = 0; i < plugin.NumParams(); ++i)
        std::printf("%s %s %s%s%s", i == 0 ? "" : ",", plugin.ParameterName(i).c_str(),
                    plugin.ParameterDisplay(i).c_str(), plugin.ParameterLabel(i).empty() ? "" : " ",
                    plugin.ParameterLabel(i).c_str());
    std::printf("\n");

    AudioBuffer output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<double>(input.Frames(), 0.0));

    std::FILE* series = nullptr;
    if (args.Has("series"))
    {
        series = std::fopen(args.Get("series").c_str(), "w");
        if (series == nullptr)
        {
            std::fprintf(stderr, "render: cannot write %s\n", args.Get("series").c_str());
            return 1;
        }
        std::fprintf(series, "# time_s in_min in_max out_min out_max in_peak_db in_rms_db "
                             "out_peak_db out_rms_db gain_db\n");
    }

    BlockProcessor processor(plugin, precision, static_cast<size_t>(block));
    LevelMeter inTotal, outTotal;
    double gainMin = 0.0, gainMax = 0.0, gainSum = 0.0;
    size_t gainBlocks = 0;
    const size_t frames = input.Frames();
    for (size_t start = 0; start < frames; start += static_cast<size_t>(block))
    {
        const size_t n = std::min(static_cast<size_t>(block), frames - start);
        processor.Process(input, hasSidechain ? &sidechain : nullptr, start, n, output);

        LevelMeter in, out;
        in.Add(&input.channels[0][start],
               input.Channels() > 1 ? &input.channels[1][start] : nullptr, n);
        out.Add(&output.channels[0][start], &output.channels[1][start], n);
        inTotal.Add(&input.channels[0][start],
                    input.Channels() > 1 ? &input.channels[1][start] : nullptr, n);
        outTotal.Add(&output.channels[0][start], &output.channels[1][start], n);

        double gainDb = NAN;
        if (in.Rms() > kQuietRms)
        {
            gainDb = LevelMeter::ToDb(out.Rms()) - LevelMeter::ToDb(in.Rms());
            gainMin = gainBlocks == 0 ? gainDb : std::min(gainMin, gainDb);
            gainMax = gainBlocks == 0 ? gainDb : std::max(gainMax, gainDb);
            gainSum += gainDb;
            ++gainBlocks;
        }
        if (series != nullptr)
            std::fprintf(series, "%.6f %.6f %.6f %.6f %.6f %.3f %.3f %.3f %.3f %s\n",
                         (static_cast<double>(start) + 0.5 * static_cast<double>(n)) /
                             input.sampleRate,
                         in.Minimum(), in.Maximum(), out.Minimum(), out.Maximum(),
                         LevelMeter::ToDb(in.Peak()), LevelMeter::ToDb(in.Rms()),
                         LevelMeter::ToDb(out.Peak()), LevelMeter::ToDb(out.Rms()),
                         std::isnan(gainDb) ? "NaN" : std::to_string(gainDb).c_str());
    }
    if (series != nullptr && std::fclose(series) != 0)
    {
        std::fprintf(stderr, "render: writing %s failed\n", args.Get("series").c_str());
        return 1;
    }

    if (!AudioFile::Write(outPath, output, error, fileFormat))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    if (args.Has("save-state"))
    {
        std::vector<uint8_t> chunk = plugin.GetChunk(true);
        if (chunk.empty() || !WriteBytes(args.Get("save-state"), chunk))
        {
            std::fprintf(stderr, "render: could not save the plug-in's state to %s\n",
                         args.Get("save-state").c_str());
            return 1;
        }
        std::printf("state:    %zu bytes saved to %s\n", chunk.size(),
                    args.Get("save-state").c_str());
    }
    plugin.Close();

    PrintLevels("input", inTotal);
    PrintLevels("output", outTotal);
    if (gainBlocks > 0)
        std::printf("gain out/in per block: min %+.2f dB, mean %+.2f dB, max %+.2f dB "
                    "(%zu blocks)\n",
                    gainMin, gainSum / static_cast<double>(gainBlocks), gainMax, gainBlocks);
    std::printf("output:   %s\n", outPath.c_str());
    return 0;
}
