// korvala-preset-measure: renders each factory preset over the material it
// is meant for and prints what an engineer tunes a compressor by: gain
// reduction range, attack and release on a tone step (30 dB up to the
// material's peak level and back), crest factor and level spread before
// and after, and the level through the make-up gain.
//
//   korvala-preset-measure PLUGIN.so PRESETS_DIR [--only NAME] [--try NAME=TEXT ...]
//
// The presets come from the list's settings (not the .fxp files), so a
// setting can be tried with --try before the list is changed.

#include "BlockProcessor.h"
#include "CommandLine.h"
#include "FactoryPresets.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"
#include "TestMaterial.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

constexpr double kRate = 48000.0;
constexpr size_t kBlock = 512;
constexpr double kMaterialSeconds = 12.0;
// Windows quieter than this say nothing about the compressor.
constexpr double kQuietDb = -50.0;

double ToDb(double linear)
{
    return linear > 1e-12 ? 20.0 * std::log10(linear) : -240.0;
}

bool Render(const std::string& pluginPath, const std::vector<std::string>& settings,
            const AudioBuffer& input, AudioBuffer& output, double& makeupDb, std::string& error)
{
    PluginInstance plugin;
    if (!plugin.Open(pluginPath))
    {
        error = plugin.Error();
        return false;
    }
    plugin.SetSampleRate(input.sampleRate);
    plugin.SetBlockSize(static_cast<VstInt32>(kBlock));
    if (ParameterAssignment::ApplyAll(plugin, settings, error) != 0) return false;
    makeupDb =
        std::strtod(plugin.ParameterDisplay(plugin.FindParameter("Input Gain")).c_str(), nullptr) +
        std::strtod(plugin.ParameterDisplay(plugin.FindParameter("Output Gain")).c_str(), nullptr);
    plugin.Resume();
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<double>(input.Frames(), 0.0));
    BlockProcessor processor(plugin, Precision::Float, kBlock);
    for (size_t start = 0; start < input.Frames(); start += kBlock)
        processor.Process(input, nullptr, start, std::min(kBlock, input.Frames() - start), output);
    return true;
}

double Rms(const AudioBuffer& a, size_t begin, size_t end)
{
    double sum = 0.0;
    for (const auto& c : a.channels)
        for (size_t i = begin; i < end; ++i)
            sum += c[i] * c[i];
    return std::sqrt(sum / static_cast<double>((end - begin) * a.Channels()));
}

double Peak(const AudioBuffer& a)
{
    double peak = 0.0;
    for (const auto& c : a.channels)
        for (double v : c)
            peak = std::max(peak, std::fabs(v));
    return peak;
}

// The compressor's own gain per window (dB, negative = reduction): output
// over input less the make-up gain; NaN for quiet windows.
std::vector<double> GainTrace(const AudioBuffer& in, const AudioBuffer& out, size_t window,
                              double makeupDb)
{
    std::vector<double> trace;
    for (size_t start = 0; start + window <= in.Frames(); start += window)
    {
        const double inDb = ToDb(Rms(in, start, start + window));
        trace.push_back(inDb < kQuietDb ? NAN
                                        : ToDb(Rms(out, start, start + window)) - inDb - makeupDb);
    }
    return trace;
}

double Percentile(std::vector<double> values, double fraction);

// How far the level wanders: the 90th less the 10th percentile of the RMS
// level in 250 ms windows (dB, about a syllable or a note), over the windows that are not quiet. A
// leveller narrows it.
double LevelSpreadDb(const AudioBuffer& a)
{
    const auto window = static_cast<size_t>(a.sampleRate / 4.0);
    std::vector<double> levels;
    for (size_t start = 0; start + window <= a.Frames(); start += window)
    {
        const double db = ToDb(Rms(a, start, start + window));
        if (db > kQuietDb) levels.push_back(db);
    }
    return Percentile(levels, 0.9) - Percentile(levels, 0.1);
}

double Percentile(std::vector<double> values, double fraction)
{
    values.erase(
        std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
        values.end());
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

double Mean(const std::vector<double>& trace, size_t begin, size_t end)
{
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = begin; i < end && i < trace.size(); ++i)
        if (!std::isnan(trace[i]))
        {
            sum += trace[i];
            ++n;
        }
    return n > 0 ? sum / static_cast<double>(n) : NAN;
}

// Milliseconds from index from until the trace has covered `fraction` of the way
// from `start` to `target` and stays there for three windows (the window of
// the step itself is skewed by the plug-in's few samples of filter delay);
// NaN if it never does within two seconds.
double TimeToMs(const std::vector<double>& trace, size_t from, double start, double target,
                double fraction)
{
    const double goal = start + fraction * (target - start);
    auto reached = [&](size_t i)
    {
        return i < trace.size() && !std::isnan(trace[i]) &&
               (target < start ? trace[i] <= goal : trace[i] >= goal);
    };
    for (size_t i = from + 1; i < trace.size() && i < from + 2000; ++i)
        if (reached(i) && reached(i + 1) && reached(i + 2))
            return static_cast<double>(i - from + 1);
    return NAN;
}

} // namespace

int main(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (argc < 2 || !args.Parse(argc - 1, argv + 1, {"only", "try"}, error) ||
        args.Positional().size() != 2)
    {
        std::fprintf(stderr,
                     "%s\nusage: korvala-preset-measure PLUGIN.so PRESETS_DIR [--only NAME] "
                     "[--try NAME=TEXT ...]\n",
                     error.c_str());
        return 2;
    }
    const std::string& pluginPath = args.Positional()[0];
    std::vector<FactoryPreset> presets;
    if (!FactoryPresets::Load(args.Positional()[1], presets, error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    std::printf("%-16s %-6s %14s %8s %13s %13s %13s %7s\n", "preset", "on", "GR med/p95", "attack",
                "release", "crest in/out", "spread in/out", "level");
    std::printf("%-16s %-6s %14s %8s %13s %13s %13s %7s\n", "", "", "dB (10 ms)", "ms 63%",
                "ms 63%/90%", "dB", "dB (250 ms)", "dB");
    for (const FactoryPreset& preset : presets)
    {
        if (args.Has("only") && args.Get("only") != preset.name) continue;
        std::vector<std::string> settings = preset.settings;
        for (const std::string& extra : args.GetAll("try"))
            settings.push_back(extra);

        AudioBuffer material;
        if (!TestMaterial::Generate(preset.material, kRate, kMaterialSeconds, material))
        {
            std::fprintf(stderr, "%s: unknown material \"%s\"\n", preset.name.c_str(),
                         preset.material.c_str());
            return 1;
        }
        AudioBuffer rendered;
        double makeupDb = 0.0;
        if (!Render(pluginPath, settings, material, rendered, makeupDb, error))
        {
            std::fprintf(stderr, "%s: %s\n", preset.name.c_str(), error.c_str());
            return 1;
        }
        const std::vector<double> trace =
            GainTrace(material, rendered, static_cast<size_t>(kRate / 100.0), makeupDb);
        const double grMedian = Percentile(trace, 0.5);
        const double grDeep = Percentile(trace, 0.05);
        const double inRmsDb = ToDb(Rms(material, 0, material.Frames()));
        const double outRmsDb = ToDb(Rms(rendered, 0, rendered.Frames()));
        const double crestIn = ToDb(Peak(material)) - inRmsDb;
        const double crestOut = ToDb(Peak(rendered)) - outRmsDb;

        // The step: a tone as loud as the material's peaks, 30 dB softer
        // before 1 s and after 2 s, in 1 ms windows.
        const double peakDb = ToDb(Peak(material));
        const AudioBuffer steps = TestMaterial::ToneSteps(kRate, peakDb - 30.0, peakDb);
        AudioBuffer stepOut;
        if (!Render(pluginPath, settings, steps, stepOut, makeupDb, error)) return 1;
        const std::vector<double> fine =
            GainTrace(steps, stepOut, static_cast<size_t>(kRate / 1000.0), makeupDb);
        if (std::getenv("KORVALA_MEASURE_TRACE") != nullptr)
            for (size_t i = 990; i < fine.size();
                 i += (i < 1020 || (i >= 1990 && i < 2020)) ? 1 : 10)
                std::printf("  %zu ms %.2f dB\n", i, fine[i]);
        const double quiet = Mean(fine, 800, 1000);
        const double loud = Mean(fine, 1800, 2000);
        const double attackMs = TimeToMs(fine, 1000, quiet, loud, 0.63);
        const double releaseMs = TimeToMs(fine, 2000, loud, quiet, 0.63);
        const double release90Ms = TimeToMs(fine, 2000, loud, quiet, 0.9);

        std::printf("%-16s %-6s %6.1f/%6.1f %8.1f %6.0f/%6.0f %6.1f/%6.1f %6.1f/%6.1f %+7.1f   "
                    "(step GR %.1f dB)\n",
                    preset.name.c_str(), preset.material.c_str(), grMedian, grDeep, attackMs,
                    releaseMs, release90Ms, crestIn, crestOut, LevelSpreadDb(material),
                    LevelSpreadDb(rendered), outRmsDb - inRmsDb, loud - quiet);
    }
    return 0;
}
