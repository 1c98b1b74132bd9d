#include "AudioFile.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DemoSignal.h"
#include "LevelMeter.h"

#include <cstdio>
#include <string>

int RunGenDemo(int argc, char** argv)
{
    CommandLine args;
    std::string error;
    double seconds = 0.0, rate = 0.0;
    if (!args.Parse(argc, argv, {"seconds", "rate"}, error) || args.Positional().size() != 1 ||
        !args.GetDouble("seconds", 10.0, 0.01, 3600.0, seconds, error) ||
        !args.GetDouble("rate", 48000.0, 8000.0, 768000.0, rate, error))
    {
        std::fprintf(stderr,
                     "gen-demo: %s\nusage: korvala-host gen-demo OUT.wav [--seconds S] "
                     "[--rate R]\n",
                     error.empty() ? "one output path expected" : error.c_str());
        return 2;
    }
    const AudioBuffer demo = DemoSignal::Generate(rate, seconds);
    if (!AudioFile::Write(args.Positional()[0], demo, error))
    {
        std::fprintf(stderr, "gen-demo: %s\n", error.c_str());
        return 1;
    }
    LevelMeter meter;
    meter.Add(demo.channels[0].data(), demo.channels[1].data(), demo.Frames());
    std::printf("demo:     %s, %.2f s stereo at %.0f Hz, peak %.2f dBFS, RMS %.2f dBFS\n",
                args.Positional()[0].c_str(), static_cast<double>(demo.Frames()) / rate, rate,
                LevelMeter::ToDb(meter.Peak()), LevelMeter::ToDb(meter.Rms()));
    return 0;
}
