// korvala-host: a small VST 2 host for inspecting, rendering through and
// timing plug-ins from the command line.
#include "Commands.h"

#include <cstdio>
#include <cstring>

namespace
{

void PrintUsage()
{
    std::fputs("usage:\n"
               "  korvala-host info PLUGIN.so\n"
               "  korvala-host render PLUGIN.so IN.wav OUT.wav [--sidechain SC.wav]\n"
               "      [--set NAME=VALUE ...] [--block N] [--precision float|double|accumulate]\n"
               "      [--state FILE] [--save-state FILE] [--series FILE]\n"
               "      [--sample-format float|double]\n"
               "  korvala-host bench PLUGIN.so [--seconds S] [--block N] [--rate R]\n"
               "      [--precision float|double|accumulate] [--set NAME=VALUE ...]\n"
               "  korvala-host gen-demo OUT.wav [--seconds S] [--rate R]\n"
               "  korvala-host memory PLUGIN.so [--instances N] [--block N] [--rate R]\n"
               "      [--set NAME=VALUE ...]\n"
#ifdef KORVALA_HOST_EDIT
               "  korvala-host edit PLUGIN.so [--input IN.wav] [--set NAME=VALUE ...]\n"
               "      [--state FILE] [--save-state FILE] [--output OUT.wav]\n"
               "      [--quit-after SECONDS] [--screenshot FILE.ppm]\n"
#endif
               "\n"
               "--set NAME=TEXT sets a parameter in its own units (as typed into a host),\n"
               "--set NAME=@0.5 sets its normalised value.\n",
               stderr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        PrintUsage();
        return 2;
    }
    const char* command = argv[1];
    int rest = argc - 2;
    char** args = argv + 2;
    if (std::strcmp(command, "info") == 0) return RunInfo(rest, args);
    if (std::strcmp(command, "render") == 0) return RunRender(rest, args);
    if (std::strcmp(command, "bench") == 0) return RunBench(rest, args);
    if (std::strcmp(command, "gen-demo") == 0) return RunGenDemo(rest, args);
    if (std::strcmp(command, "memory") == 0) return RunMemory(rest, args);
#ifdef KORVALA_HOST_EDIT
    if (std::strcmp(command, "edit") == 0) return RunEdit(rest, args);
#endif
    if (std::strcmp(command, "help") == 0 || std::strcmp(command, "--help") == 0)
    {
        PrintUsage();
        return 0;
    }
    std::fprintf(stderr, "korvala-host: unknown command \"%s\"\n", command);
    PrintUsage();
    return 2;
}
