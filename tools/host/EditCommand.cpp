// korvala-host edit: opens a plug-in's editor in a window of ours (X11 on
// Linux, Win32 on Windows, behind EditorHostWindow), plays audio
// through the plug-in in real time on a second thread (as a host's audio
// thread would, without a sound card) so its meters move, and saves the
// plug-in's state when the window closes.

#include "AudioFile.h"
#include "BlockProcessor.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DemoSignal.h"
#include "EditorHostWindow.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace
{
constexpr double kIdleHz = 30.0;
constexpr VstInt32 kBlock = 512;
constexpr double kDemoSeconds = 8.0;
// The window's size while the plug-in has not said its own.
constexpr int kProvisionalWidth = 640;
constexpr int kProvisionalHeight = 400;

int Usage(const std::string& error)
{
    std::fprintf(stderr,
                 "edit: %s\nusage: korvala-host edit PLUGIN [--input IN.wav] [--set NAME=VALUE ...]\n"
                 "       [--state FILE] [--save-state FILE] [--preset FILE.fxp|NAME]\n"
                 "       [--save-preset FILE.fxp|FILE.fxb] [--output OUT.wav]\n"
                 "       [--quit-after SECONDS] [--screenshot FILE.ppm]\n",
                 error.c_str());
    return 2;
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// Binary PPM (P6) of 0xRRGGBB pixels.
bool WritePpm(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height)
{
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << width << " " << height << "\n255\n";
    for (uint32_t p : pixels)
    {
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
        file.write(rgb, 3);
    }
    return static_cast<bool>(file);
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The audio thread: block after block at the pace of the sample clock, the
// input looping so the meters never stop; the first pass is kept for
// --output.
void PlayInRealTime(PluginInstance& plugin, const AudioBuffer& input, AudioBuffer& firstPass,
                    const std::atomic<bool>& stop)
{
    BlockProcessor processor(plugin, Precision::Float, kBlock);
    AudioBuffer scratch;
    scratch.sampleRate = input.sampleRate;
    scratch.channels.assign(2, std::vector<double>(input.Frames(), 0.0));
    const auto start = std::chrono::steady_clock::now();
    size_t played = 0;
    bool firstDone = false;
    while (!stop.load(std::memory_order_relaxed))
    {
        const size_t at = played % input.Frames();
        const size_t n = std::min<size_t>(kBlock, input.Frames() - at);
        processor.Process(input, nullptr, at, n, firstDone ? scratch : firstPass);
        played += n;
        if (!firstDone && at + n == input.Frames()) firstDone = true;
        const auto due = start + std::chrono::duration<double>(static_cast<double>(played) /
                                                               input.sampleRate);
        std::this_thread::sleep_until(due);
    }
}
} // namespace

int RunEdit(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc, argv,
                    {"input", "set", "state", "save-state", "output", "quit-after", "screenshot",
                     "preset", "save-preset"},
                    error))
        return Usage(error);
    if (args.Positional().size() != 1) return Usage("a plug-in expected");
    double quitAfter = 0.0;
    if (!args.GetDouble("quit-after", 0.0, 0.0, 1e6, quitAfter, error)) return Usage(error);

    AudioBuffer input;
    if (args.Has("input"))
    {
        if (!AudioFile::Read(args.Get("input"), input, error))
        {
            std::fprintf(stderr, "edit: %s\n", error.c_str());
            return 1;
        }
    }
    else
    {
        input = DemoSignal::Generate(48000.0, kDemoSeconds);
    }
    if (input.Frames() == 0)
    {
        std::fprintf(stderr, "edit: the input holds no audio\n");
        return 1;
    }

    PluginInstance plugin;
    const std::string& pluginPath = args.Positional()[0];
    if (!plugin.Open(pluginPath))
    {
        std::fprintf(stderr, "edit: cannot load %s: %s\n", pluginPath.c_str(), plugin.Error().c_str());
        return 1;
    }
    if (!(plugin.Effect()->flags & effFlagsHasEditor))
    {
        std::fprintf(stderr, "edit: %s has no editor\n", pluginPath.c_str());
        return 1;
    }
    if (args.Has("state"))
    {
        std::vector<uint8_t> chunk;
        if (!ReadBytes(args.Get("state"), chunk) || !plugin.SetChunk(true, chunk))
        {
            std::fprintf(stderr, "edit: the plug-in did not accept the state in %s\n",
                         args.Get("state").c_str());
            return 1;
        }
    }
    PresetFile preset;
    if (args.Has("preset") && !ApplyPresetOption(plugin, args.Get("preset"), preset, error))
    {
        std::fprintf(stderr, "edit: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& text : args.GetAll("set"))
    {
        ParameterAssignment assignment;
        if (!assignment.Parse(text)) return Usage("--set wants NAME=VALUE, not \"" + text + "\"");
        if (!assignment.Apply(plugin, error))
        {
            std::fprintf(stderr, "edit: %s\n", error.c_str());
            return 1;
        }
    }
    plugin.Start(input.sampleRate, kBlock);

    // The size first, as most hosts ask it before opening; some plug-ins
    // know it only once the editor is open, so it is asked again after.
    int width = 0, height = 0;
    auto askSize = [&]() {
        ERect* rect = nullptr;
        plugin.Dispatch(effEditGetRect, 0, 0, &rect);
        if (rect && rect->right > rect->left && rect->bottom > rect->top)
        {
            width = rect->right - rect->left;
            height = rect->bottom - rect->top;
        }
    };
    askSize();
    EditorHostWindow window;
    if (!window.Create(width > 0 ? width : kProvisionalWidth, height > 0 ? height : kProvisionalHeight,
                       plugin.EffectName(), error))
    {
        std::fprintf(stderr, "edit: %s\n", error.c_str());
        return 1;
    }
    if (plugin.Dispatch(effEditOpen, 0, 0, window.Handle()) == 0)
    {
        std::fprintf(stderr, "edit: the plug-in did not open its editor\n");
        return 1;
    }
    const int askedWidth = width, askedHeight = height;
    askSize();
    if (width <= 0 || height <= 0)
    {
        width = kProvisionalWidth;
        height = kProvisionalHeight;
    }
    if (width != askedWidth || height != askedHeight) window.Resize(width, height);

    AudioBuffer firstPass;
    firstPass.sampleRate = input.sampleRate;
    firstPass.channels.assign(2, std::vector<double>(input.Frames(), 0.0));
    std::atomic<bool> stop{false};
    std::thread audio(PlayInRealTime, std::ref(plugin), std::cref(input), std::ref(firstPass),
                      std::cref(stop));

    // The GUI thread: the window's event loop with effEditIdle at 30 Hz
    // until the window closes (Windows editors also run their own timers
    // through this loop).
    const auto begin = std::chrono::steady_clock::now();
    double idleCpu = 0.0;
    long idleCalls = 0;
    window.Run(kIdleHz, quitAfter, [&]() {
        const double before = ThreadCpuSeconds();
        plugin.Dispatch(effEditIdle);
        idleCpu += ThreadCpuSeconds() - before;
        ++idleCalls;
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (args.Has("screenshot"))
    {
        const std::vector<uint32_t> pixels = window.Capture(width, height);
        if (pixels.empty() || !WritePpm(args.Get("screenshot"), pixels, width, height))
            std::fprintf(stderr, "edit: could not write the screenshot %s\n", args.Get("screenshot").c_str());
    }
    plugin.Dispatch(effEditClose);
    stop = true;
    audio.join();
    window.Destroy();

    std::printf("editor:   %d x %d, %.1f s open, %ld idle calls, %.2f ms CPU per second in "
                "effEditIdle (%.2f %% of one core)\n",
                width, height, seconds, idleCalls, seconds > 0 ? 1000.0 * idleCpu / seconds : 0.0,
                seconds > 0 ? 100.0 * idleCpu / seconds : 0.0);
    int status = 0;
    if (args.Has("save-state"))
    {
        const std::vector<uint8_t> chunk = plugin.GetChunk(true);
        if (chunk.empty() || !WriteBytes(args.Get("save-state"), chunk))
        {
            std::fprintf(stderr, "edit: could not save the plug-in's state (no chunk) to %s\n",
                         args.Get("save-state").c_str());
            status = 1;
        }
        else
            std::printf("state:    %zu bytes saved to %s\n", chunk.size(), args.Get("save-state").c_str());
    }
    if (args.Has("save-preset"))
    {
        if (!SavePresetOption(plugin, args.Get("save-preset"), error))
        {
            std::fprintf(stderr, "edit: could not save the preset %s: %s\n",
                         args.Get("save-preset").c_str(), error.c_str());
            status = 1;
        }
        else
            std::printf("preset:   saved to %s\n", args.Get("save-preset").c_str());
    }
    if (args.Has("output") && !AudioFile::Write(args.Get("output"), firstPass, error))
    {
        std::fprintf(stderr, "edit: %s\n", error.c_str());
        status = 1;
    }
    plugin.Close();
    return status;
}
