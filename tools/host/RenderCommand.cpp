#include "AudioFile.h"
#include "BlockProcessor.h"
#include "CommandLine.h"
#include "Commands.h"
#include "LevelMeter.h"
#include "ParameterAssignment.h"
#include "ParameterCatalogue.h"
#include "PluginInstance.h"
#include "SampleFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#ifdef _WIN32
#include <io.h>
#define KORVALA_ISATTY _isatty
#define KORVALA_FILENO _fileno
#else
#include <unistd.h>
#define KORVALA_ISATTY isatty
#define KORVALA_FILENO fileno
#endif

namespace
{

// Blocks quieter than this (RMS, about -100 dBFS) give no gain estimate: the
// ratio of two near-silences says nothing about the compressor.
constexpr double kQuietRms = 1e-5;

// Renders longer than this show a progress line when standard error is a
// terminal.
constexpr double kProgressSeconds = 10.0;

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
                 "render: %s\nusage: korvala-host render PLUGIN.so IN.wav OUT.wav [options]\n"
                 "       korvala-host render PLUGIN.so IN.wav... --out-dir DIR [options]\n"
                 "options: [--sidechain SC.wav] [--set NAME=VALUE ...] [--block N]\n"
                 "       [--precision float|double|accumulate] [--format float|double|pcm16|pcm24]\n"
                 "       [--tail SECONDS] [--state FILE] [--save-state FILE]\n"
                 "       [--preset FILE.fxp|NAME] [--series FILE]\n",
                 error.c_str());
    return 2;
}

void PrintLevels(const char* title, const LevelMeter& meter)
{
    std::printf("%-8s peak %8.2f dBFS   RMS %8.2f dBFS\n", title, LevelMeter::ToDb(meter.Peak()),
                LevelMeter::ToDb(meter.Rms()));
}

// Everything that is the same for every file of a render.
struct RenderSettings
{
    std::string pluginPath;
    long block = 512;
    Precision precision = Precision::Float;
    SampleFormat format = SampleFormat::Float;
    double tailSeconds = 0.0;
    std::vector<std::string> assignments;
    std::string statePath;  // empty: none
    std::string preset;     // a file or a factory preset's name; empty: none
    std::string seriesPath; // empty: none
    const AudioBuffer* sidechain = nullptr;
    const ParameterCatalogue* catalogue = nullptr;
};

// Opens an instance of the plug-in as a fresh process's first one.
//
// Each file gets an instance of its own: a suspend and resume (effMainsChanged
// 0, 1) re-derives the plug-in's coefficients but, by design, leaves the state
// of its analog stage (noise generator, DC blocker) and its detectors running
// on, so only a new instance starts a file exactly where a single render
// starts. The instance draws its models' right-channel offsets from the C
// library's rand() while it is constructed and reseeds rand() with the clock
// afterwards; a process starts rand() as if seeded with 1, so restoring that
// seed makes every instance draw what the first instance of a process draws.
bool OpenFresh(PluginInstance& plugin, const std::string& path)
{
    std::srand(1);
    return plugin.Open(path);
}

class Progress
{
  public:
    Progress(const std::string& name, size_t frames, double rate)
        : name_(name), frames_(frames),
          shown_(KORVALA_ISATTY(KORVALA_FILENO(stderr)) != 0 &&
                 static_cast<double>(frames) > kProgressSeconds * rate)
    {
    }
    void Update(size_t done)
    {
        if (!shown_ || frames_ == 0) return;
        const int percent =
            static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(frames_));
        if (percent == last_) return;
        last_ = percent;
        std::fprintf(stderr, "\rrender: %s %3d%%", name_.c_str(), percent);
        std::fflush(stderr);
    }
    void Finish()
    {
        // Blanks rather than an erase sequence, which not every console knows.
        if (shown_ && last_ >= 0)
            std::fprintf(stderr, "\r%*s\r", static_cast<int>(name_.size()) + 14, "");
    }

  private:
    std::string name_;
    size_t frames_;
    bool shown_;
    int last_ = -1;
};

// Renders one file: 0, or 1 after printing why not.
int RenderFile(const RenderSettings& settings, const std::string& inPath,
               const std::string& outPath, bool printHeader)
{
    std::string error;
    AudioBuffer input;
    if (!AudioFile::Read(inPath, input, error))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    if (input.Channels() > 2)
    {
        std::fprintf(stderr,
                     "render: %s has %zu channels; only mono and stereo files are rendered\n",
                     inPath.c_str(), input.Channels());
        return 1;
    }
    if (settings.sidechain != nullptr && settings.sidechain->sampleRate != input.sampleRate)
    {
        std::fprintf(stderr, "render: the sidechain runs at %.0f Hz, %s at %.0f Hz\n",
                     settings.sidechain->sampleRate, inPath.c_str(), input.sampleRate);
        return 1;
    }

    PluginInstance plugin;
    if (!OpenFresh(plugin, settings.pluginPath))
    {
        std::fprintf(stderr, "render: cannot load %s: %s\n", settings.pluginPath.c_str(),
                     plugin.Error().c_str());
        return 1;
    }
    if (settings.precision == Precision::Double && !plugin.CanDoubleReplacing())
    {
        std::fprintf(stderr, "render: the plug-in does not process double precision\n");
        return 1;
    }
    if (settings.precision == Precision::Float && !plugin.CanReplacing())
    {
        std::fprintf(stderr, "render: the plug-in does not process replacing\n");
        return 1;
    }
    plugin.SetSampleRate(input.sampleRate);
    plugin.SetBlockSize(static_cast<VstInt32>(settings.block));
    if (!settings.statePath.empty() && !plugin.SetChunkFromFile(settings.statePath, error))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    PresetFile preset;
    if (!settings.preset.empty() && !ApplyPresetOption(plugin, settings.preset, preset, error))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    // Already checked on the catalogue's instance; a refusal here would be
    // the plug-in's own.
    if (ParameterAssignment::ApplyAll(plugin, *settings.catalogue, settings.assignments, error) !=
        0)
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    plugin.Resume();

    const size_t frames = input.Frames();
    const auto tailFrames = static_cast<size_t>(std::ceil(settings.tailSeconds * input.sampleRate));
    const size_t total = frames + tailFrames;
    if (printHeader)
    {
        std::printf("plugin:   %s (%s)\n", plugin.EffectName().c_str(),
                    settings.pluginPath.c_str());
        std::printf("block:    %ld frames, %s\n", settings.block,
                    settings.precision == Precision::Float
                        ? "float (processReplacing)"
                        : (settings.precision == Precision::Double
                               ? "double (processDoubleReplacing)"
                               : "float (accumulating process)"));
        std::printf("settings: %s\n", ParameterCatalogue::DescribeSettings(plugin).c_str());
        std::printf("format:   %s, tail %.2f s\n", SampleFormatName(settings.format),
                    settings.tailSeconds);
    }
    std::printf("input:    %s, %zu frames, %zu channels, %.0f Hz\n", inPath.c_str(), frames,
                input.Channels(), input.sampleRate);

    // The input followed by the tail's silence; the sidechain continues as
    // silence by itself.
    AudioBuffer padded = input;
    for (auto& channel : padded.channels)
        channel.resize(total, 0.0);
    AudioBuffer rendered;
    rendered.sampleRate = input.sampleRate;
    rendered.channels.assign(2, std::vector<double>(total, 0.0));

    std::FILE* series = nullptr;
    if (!settings.seriesPath.empty())
    {
        series = std::fopen(settings.seriesPath.c_str(), "w");
        if (series == nullptr)
        {
            std::fprintf(stderr, "render: cannot write %s\n", settings.seriesPath.c_str());
            return 1;
        }
        std::fprintf(series, "# time_s in_min in_max out_min out_max in_peak_db in_rms_db "
                             "out_peak_db out_rms_db gain_db\n");
    }

    BlockProcessor processor(plugin, settings.precision, static_cast<size_t>(settings.block));
    Progress progress(inPath, total, input.sampleRate);
    // The totals compare the file's own frames on both sides; the tail adds
    // only what the plug-in still lets out.
    LevelMeter inTotal, outTotal;
    double gainMin = 0.0, gainMax = 0.0, gainSum = 0.0;
    size_t gainBlocks = 0;
    const size_t block = static_cast<size_t>(settings.block);
    for (size_t start = 0; start < total; start += block)
    {
        const size_t n = std::min(block, total - start);
        processor.Process(padded, settings.sidechain, start, n, rendered);
        progress.Update(start + n);

        const double* inLeft = &padded.channels[0][start];
        const double* inRight = padded.Channels() > 1 ? &padded.channels[1][start] : nullptr;
        const double* outLeft = &rendered.channels[0][start];
        const double* outRight = &rendered.channels[1][start];
        LevelMeter in, out;
        in.Add(inLeft, inRight, n);
        out.Add(outLeft, outRight, n);
        if (start < frames)
        {
            const size_t own = std::min(n, frames - start);
            inTotal.Add(inLeft, inRight, own);
            outTotal.Add(outLeft, outRight, own);
        }

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
    progress.Finish();
    if (series != nullptr && std::fclose(series) != 0)
    {
        std::fprintf(stderr, "render: writing %s failed\n", settings.seriesPath.c_str());
        return 1;
    }

    // The file keeps the input's layout: a mono file was fed to both inputs
    // and comes back as the left output (the right one differs only by the
    // analog emulation's small right-channel gain offset).
    if (input.Channels() == 1) rendered.channels.resize(1);
    size_t clipped = 0;
    if (!AudioFile::Write(outPath, rendered, settings.format, error, &clipped))
    {
        std::fprintf(stderr, "render: %s\n", error.c_str());
        return 1;
    }
    plugin.Close();

    PrintLevels("input", inTotal);
    PrintLevels("output", outTotal);
    if (gainBlocks > 0)
        std::printf("gain out/in per block: min %+.2f dB, mean %+.2f dB, max %+.2f dB "
                    "(%zu blocks)\n",
                    gainMin, gainSum / static_cast<double>(gainBlocks), gainMax, gainBlocks);
    if (clipped > 0) std::printf("clipped:  %zu samples held at full scale\n", clipped);
    std::printf("output:   %s, %zu frames (%zu of tail)\n", outPath.c_str(), total, tailFrames);
    return 0;
}

// The output path of a batch render: DIR/NAME.wav for IN = .../NAME.ext.
std::string BatchOutput(const std::string& dir, const std::string& input)
{
    std::filesystem::path name = std::filesystem::path(input).filename();
    name.replace_extension(".wav");
    return (std::filesystem::path(dir) / name).string();
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code code;
    return std::filesystem::exists(b, code) && std::filesystem::equivalent(a, b, code);
}

} // namespace

int RunRender(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv,
                    {"sidechain", "set", "block", "precision", "state", "save-state", "series",
                     "out-dir", "format", "tail", "preset"},
                    error))
        return Usage(error);

    const bool batch = args.Has("out-dir");
    const auto& positional = args.Positional();
    if (batch ? positional.size() < 2 : positional.size() != 3)
        return Usage(batch ? "a plug-in and at least one input file expected"
                           : "a plug-in, an input and an output file expected");
    RenderSettings settings;
    settings.pluginPath = positional[0];
    std::vector<std::pair<std::string, std::string>> jobs; // input, output
    if (batch)
    {
        const std::string dir = args.Get("out-dir");
        std::set<std::string> outputs;
        for (size_t i = 1; i < positional.size(); ++i)
        {
            const std::string out = BatchOutput(dir, positional[i]);
            if (!outputs.insert(out).second)
                return Usage("two inputs would both be written to " + out);
            if (SameFile(positional[i], out))
                return Usage("rendering " + positional[i] + " into " + dir + " would overwrite it");
            jobs.emplace_back(positional[i], out);
        }
        if (args.Has("series") && jobs.size() > 1)
            return Usage("--series records one file; give one input with it");
    }
    else
    {
        jobs.emplace_back(positional[1], positional[2]);
    }

    if (!args.GetInt("block", 512, 1, 1 << 20, settings.block, error)) return Usage(error);
    if (!ParsePrecision(args.Get("precision", "float"), settings.precision))
        return Usage("--precision is float, double or accumulate");
    if (!ParseSampleFormat(args.Get("format", "float"), settings.format))
        return Usage("--format is float, double, pcm16 or pcm24");
    double tail = 0.0;
    if (!args.GetDouble("tail", -1.0, 0.0, 600.0, tail, error)) return Usage(error);
    settings.assignments = args.GetAll("set");
    settings.statePath = args.Get("state");
    settings.preset = args.Get("preset");
    settings.seriesPath = args.Get("series");

    AudioBuffer sidechain;
    if (args.Has("sidechain"))
    {
        if (!AudioFile::Read(args.Get("sidechain"), sidechain, error))
        {
            std::fprintf(stderr, "render: %s\n", error.c_str());
            return 1;
        }
        settings.sidechain = &sidechain;
    }

    // The catalogue comes from an instance of its own, which also tries the
    // state and the settings once before any file is read.
    ParameterCatalogue catalogue;
    {
        PluginInstance probe;
        if (!probe.Open(settings.pluginPath))
        {
            std::fprintf(stderr, "render: cannot load %s: %s\n", settings.pluginPath.c_str(),
                         probe.Error().c_str());
            return 1;
        }
        catalogue.Probe(probe);
        probe.Close();
        if (!OpenFresh(probe, settings.pluginPath))
        {
            std::fprintf(stderr, "render: cannot load %s: %s\n", settings.pluginPath.c_str(),
                         probe.Error().c_str());
            return 1;
        }
        if (!settings.statePath.empty() && !probe.SetChunkFromFile(settings.statePath, error))
        {
            std::fprintf(stderr, "render: %s\n", error.c_str());
            return 1;
        }
        PresetFile preset;
        if (!settings.preset.empty() && !ApplyPresetOption(probe, settings.preset, preset, error))
        {
            std::fprintf(stderr, "render: %s\n", error.c_str());
            return 1;
        }
        switch (ParameterAssignment::ApplyAll(probe, catalogue, settings.assignments, error))
        {
        case 0:
            break;
        case 2:
            return Usage(error);
        default:
            std::fprintf(stderr, "render: %s\n", error.c_str());
            return 1;
        }
        if (args.Has("save-state"))
        {
            std::vector<uint8_t> chunk = probe.GetChunk(true);
            if (chunk.empty() || !WriteBytes(args.Get("save-state"), chunk))
            {
                std::fprintf(stderr, "render: could not save the plug-in's state to %s\n",
                             args.Get("save-state").c_str());
                return 1;
            }
            std::printf("state:    %zu bytes saved to %s\n", chunk.size(),
                        args.Get("save-state").c_str());
        }
        probe.Close();
    }
    settings.catalogue = &catalogue;
    settings.tailSeconds = tail >= 0.0 ? tail : catalogue.DefaultTailSeconds();

    if (batch)
    {
        std::error_code code;
        std::filesystem::create_directories(args.Get("out-dir"), code);
        if (!std::filesystem::is_directory(args.Get("out-dir"), code))
        {
            std::fprintf(stderr, "render: cannot create the directory %s\n",
                         args.Get("out-dir").c_str());
            return 1;
        }
    }
    int failures = 0;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (RenderFile(settings, jobs[i].first, jobs[i].second, i == 0) != 0) ++failures;
    if (batch)
        std::printf("rendered: %zu of %zu files into %s\n",
                    jobs.size() - static_cast<size_t>(failures), jobs.size(),
                    args.Get("out-dir").c_str());
    return failures == 0 ? 0 : 1;
}
