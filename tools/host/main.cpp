// korvala-host: a small VST 2 host for inspecting, rendering through and
// timing plug-ins from the command line.
#include "Commands.h"

#include <cstdio>
#include <cstring>

namespace
{

// The one usage text: on stdout for --help (and so in the manual page, which
// cmake/KorvalaManPage.cmake writes from it), on stderr with exit code 2 when the command line
// is wrong.
void PrintUsage(std::FILE* to)
{
    std::fputs("usage:\n"
               "  korvala-host --help | --version\n"
               "  korvala-host info PLUGIN.so [--preset FILE.fxp|NAME]\n"
               "  korvala-host params PLUGIN.so\n"
               "  korvala-host render PLUGIN.so IN.wav OUT.wav [--sidechain SC.wav]\n"
               "      [--set NAME=VALUE ...] [--block N] [--precision float|double|accumulate]\n"
               "      [--format float|double|pcm16|pcm24] [--tail SECONDS]\n"
               "      [--state FILE] [--save-state FILE] [--preset FILE.fxp|NAME] [--series FILE]\n"
               "  korvala-host render PLUGIN.so IN.wav... --out-dir DIR [the same options]\n"
               "  korvala-host bench PLUGIN.so [--seconds S] [--block N] [--rate R]\n"
               "      [--precision float|double|accumulate] [--set NAME=VALUE ...]\n"
               "  korvala-host gen-demo OUT.wav [--seconds S] [--rate R]\n"
               "  korvala-host presets [--dir DIR]\n"
               "  korvala-host make-presets|check-presets PLUGIN.so DIR\n"
               "  korvala-host memory PLUGIN.so [--instances N] [--block N] [--rate R]\n"
               "      [--set NAME=VALUE ...]\n"
#ifdef KORVALA_HOST_EDIT
               "  korvala-host edit PLUGIN [--input IN.wav] [--set NAME=VALUE ...]\n"
               "      [--state FILE] [--save-state FILE] [--preset FILE.fxp|NAME]\n"
               "      [--save-preset FILE.fxp|FILE.fxb] [--output OUT.wav]\n"
               "      [--quit-after SECONDS] [--screenshot FILE.ppm]\n"
#endif
               "\n"
               "--set NAME=TEXT sets a parameter in its own units (as typed into a host):\n"
               "a number in its range or one of its settings (korvala-host params lists them);\n"
               "--set NAME=@0.5 sets its normalised value. --preset takes a .fxp/.fxb file\n"
               "or a factory preset's name (see korvala-host presets); --set applies after it.\n"
               "render keeps each input's rate and channels, writes 32-bit float unless\n"
               "--format says otherwise (pcm16 with TPDF dither) and processes --tail seconds\n"
               "of silence after each file (by default the longest release and filter tails).\n",
               to);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        PrintUsage(stderr);
        return 2;
    }
    const char* command = argv[1];
    int rest = argc - 2;
    char** args = argv + 2;
    if (std::strcmp(command, "info") == 0) return RunInfo(rest, args);
    if (std::strcmp(command, "render") == 0) return RunRender(rest, args);
    if (std::strcmp(command, "params") == 0) return RunParams(rest, args);
    if (std::strcmp(command, "bench") == 0) return RunBench(rest, args);
    if (std::strcmp(command, "gen-demo") == 0) return RunGenDemo(rest, args);
    if (std::strcmp(command, "presets") == 0) return RunPresets(rest, args);
    if (std::strcmp(command, "make-presets") == 0) return RunMakePresets(rest, args);
    if (std::strcmp(command, "check-presets") == 0) return RunCheckPresets(rest, args);
    if (std::strcmp(command, "memory") == 0) return RunMemory(rest, args);
#ifdef KORVALA_HOST_EDIT
    if (std::strcmp(command, "edit") == 0) return RunEdit(rest, args);
#endif
    if (std::strcmp(command, "help") == 0 || std::strcmp(command, "--help") == 0 ||
        std::strcmp(command, "-h") == 0)
    {
        PrintUsage(stdout);
        return 0;
    }
    // KORVALA_VERSION is the project's version, handed down by CMake.
    if (std::strcmp(command, "--version") == 0)
    {
        std::printf("korvala-host %s\n", KORVALA_VERSION);
        return 0;
    }
    std::fprintf(stderr, "korvala-host: unknown command \"%s\"\n", command);
    PrintUsage(stderr);
    return 2;
}
