// korvala-panel: draws BraskoKorvala's editor panel without a window and
// writes it as a PNG, after optionally playing audio through the plug-in so
// that its meters and gain reduction show real values.
//
//   korvala-panel OUT.png [--set NAME=TEXT ...] [--state FILE]
//                 [--input IN.wav | --seconds S] [--block N] [--compare WINDOW.ppm]
//
// Without --input the generated demo signal plays (S seconds, default 10;
// 0 draws the panel at rest). The canvas is driven as a window's timer drives
// it: one dirty query and draw pass per 1/30 s of processed audio.
//
// --compare checks a screenshot of the editor window (korvala-host edit
// --screenshot, on any platform) against the drawn panel outside text and
// meters, and fails (exit 3) when any other pixel differs.

#include "AudioFile.h"
#include "BlockProcessor.h"
#include "CommandLine.h"
#include "DemoSignal.h"
#include "PanelSnapshot.h"
#include "ScreenComparison.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "plugin/BraskoKorvala.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

namespace
{

// The plug-in linked into this program, created as the module's entry point
// creates it.
AEffect* VSTCALLBACK PanelEntry(audioMasterCallback host)
{
    BraskoKorvala* plug = new (std::nothrow) BraskoKorvala(host);
    if (!plug) return nullptr;
    plug->MakeDefaultPresets("Empty", plug->NPresets());
    return plug->GetAEffect();
}

int Usage(const std::string& error)
{
    std::fprintf(stderr,
                 "korvala-panel: %s\nusage: korvala-panel OUT.png [--set NAME=TEXT ...] "
                 "[--state FILE] [--input IN.wav | --seconds S] [--block N]\n"
                 "       [--compare WINDOW.ppm]\n",
                 error.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    if (!args.Parse(argc - 1, argv + 1, {"set", "state", "input", "seconds", "block", "compare"}, error))
        return Usage(error);
    if (args.Positional().size() != 1) return Usage("one output file expected");
    const std::string outPath = args.Positional()[0];
    long block = 0;
    if (!args.GetInt("block", 512, 1, 1 << 16, block, error)) return Usage(error);
    long seconds = 0;
    if (!args.GetInt("seconds", 10, 0, 3600, seconds, error)) return Usage(error);

    AudioBuffer input;
    if (args.Has("input"))
    {
        if (!AudioFile::Read(args.Get("input"), input, error))
        {
            std::fprintf(stderr, "korvala-panel: %s\n", error.c_str());
            return 1;
        }
    }
    else if (seconds > 0)
    {
        input = DemoSignal::Generate(48000.0, static_cast<double>(seconds));
    }
    else
    {
        input.sampleRate = 48000.0;
    }

    PluginInstance plugin;
    if (!plugin.OpenEntry(&PanelEntry))
    {
        std::fprintf(stderr, "korvala-panel: %s\n", plugin.Error().c_str());
        return 1;
    }
    auto* effect = static_cast<IEffectVST*>(plugin.Effect()->object);
    auto* canvas = dynamic_cast<IEditorCanvas*>(effect->GetGUI());
    if (!canvas)
    {
        std::fprintf(stderr, "korvala-panel: the plug-in has no editor\n");
        return 1;
    }
    plugin.SetSampleRate(input.sampleRate);
    plugin.SetBlockSize(static_cast<VstInt32>(block));
    if (args.Has("state") && !plugin.SetChunkFromFile(args.Get("state"), error))
    {
        std::fprintf(stderr, "korvala-panel: %s\n", error.c_str());
        return 1;
    }
    switch (ParameterAssignment::ApplyAll(plugin, args.GetAll("set"), error))
    {
    case 0: break;
    case 2: return Usage(error);
    default:
        std::fprintf(stderr, "korvala-panel: %s\n", error.c_str());
        return 1;
    }
    plugin.Resume();

    // As a window does when it opens: everything dirty, then the first tick.
    canvas->SetAllControlsDirty();
    PanelSnapshot::Tick(*canvas);

    const size_t frames = input.Frames();
    int ticks = 1;
    if (frames > 0)
    {
        AudioBuffer output;
        output.sampleRate = input.sampleRate;
        output.channels.assign(2, std::vector<double>(frames, 0.0));
        BlockProcessor processor(plugin, Precision::Double, static_cast<size_t>(block));
        const double framesPerTick = input.sampleRate / canvas->FrameRate();
        double nextTick = framesPerTick;
        for (size_t start = 0; start < frames; start += static_cast<size_t>(block))
        {
            const size_t n = std::min(static_cast<size_t>(block), frames - start);
            processor.Process(input, nullptr, start, n, output);
            while (static_cast<double>(start + n) >= nextTick)
            {
                PanelSnapshot::Tick(*canvas);
                ++ticks;
                nextTick += framesPerTick;
            }
        }
    }

    if (!PanelSnapshot::WritePng(*canvas->GetDrawBitmap(), outPath, error))
    {
        std::fprintf(stderr, "korvala-panel: %s\n", error.c_str());
        return 1;
    }
    std::printf("panel: %d x %d, %d draw passes over %.2f s of audio -> %s\n", canvas->Width(),
                canvas->Height(), ticks, static_cast<double>(frames) / input.sampleRate,
                outPath.c_str());
    int status = 0;
    if (args.Has("compare"))
    {
        std::vector<std::uint32_t> screen;
        int width = 0, height = 0;
        if (!ScreenComparison::ReadPpm(args.Get("compare"), screen, width, height, error))
        {
            std::fprintf(stderr, "korvala-panel: %s\n", error.c_str());
            plugin.Close();
            return 1;
        }
        const std::vector<IBox> masks = ScreenComparison::MaskedRegions(*canvas);
        const ScreenComparison::Result r =
            ScreenComparison::Compare(screen, width, height, *canvas->GetDrawBitmap(), masks);
        std::printf("compare: %d of %d pixels outside %zu text and meter boxes differ",
                    r.differing, r.compared, masks.size());
        if (width != canvas->Width() || height != canvas->Height())
            std::printf(" (the screenshot is %d x %d)", width, height);
        else if (r.differing > 0)
            std::printf(" (the first at %d, %d)", r.firstDifference.left, r.firstDifference.top);
        std::printf("\n");
        if (r.differing > 0) status = 3;
    }
    plugin.Close();
    return status;
}
