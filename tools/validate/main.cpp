// korvala-validate: checks a VST 2 plug-in library the way trusted plug-in
// validators do, through our host library. See Validator.h for the phases.
//
//   korvala-validate [options] PLUGIN.so
//     --seed N             replay a run (the seed of every run is printed)
//     --quick              fewer rates, block sizes, cycles and frames
//     --only a,b / --skip a,b   phases to run or leave out (--list names them)
//     --rates r,... / --blocks n,...   restrict the processing matrix
//     --no-isolate         run phases in this process (for a debugger)
//     --profile FILE|none  what to know of the plug-in beyond the interface (by
//                          default the built-in profile with its unique ID, if any)
//     --bench-denormals [--quiet-seconds S]   CPU time of silence vs noise
//
// Exit status 0 when every check passed, 1 when one failed, 2 on bad usage.
#include "tools/validate/DenormalBench.h"
#include "tools/validate/Profile.h"
#include "tools/validate/Report.h"
#include "tools/validate/Validator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

namespace
{

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ','))
        if (!item.empty()) items.push_back(item);
    return items;
}

int Usage()
{
    std::fprintf(stderr, "usage: korvala-validate [--seed N] [--quick] [--only a,b] [--skip a,b]\n"
                         "                        [--rates r,...] [--blocks n,...] [--no-isolate]\n"
                         "                        [--profile FILE|none]\n"
                         "                        [--bench-denormals [--quiet-seconds S]] [--list] "
                         "PLUGIN\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    validate::ValidatorOptions options;
    options.seed =
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    options.seed &= 0xFFFFFFFFull; // short enough to type
    bool bench = false;
    double quietSeconds = 120.0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (arg == "--seed")
            options.seed = std::strtoull(value().c_str(), nullptr, 0);
        else if (arg == "--quick")
            options.quick = true;
        else if (arg == "--only")
            options.only = SplitList(value());
        else if (arg == "--skip")
            options.skip = SplitList(value());
        else if (arg == "--rates")
            for (const auto& r : SplitList(value()))
                options.rates.push_back(std::atof(r.c_str()));
        else if (arg == "--blocks")
            for (const auto& b : SplitList(value()))
                options.blockSizes.push_back(std::atoi(b.c_str()));
        else if (arg == "--no-isolate")
            options.isolate = false;
        else if (arg == "--profile")
        {
            const std::string path = value();
            if (path == "none")
                options.profile.kind = validate::ProfileChoice::None;
            else
            {
                std::string error;
                if (!validate::LoadProfile(path, options.profile.given, error))
                {
                    std::fprintf(stderr, "%s\n", error.c_str());
                    return 2;
                }
                options.profile.kind = validate::ProfileChoice::Given;
            }
        }
        else if (arg == "--bench-denormals")
            bench = true;
        else if (arg == "--quiet-seconds")
            quietSeconds = std::atof(value().c_str());
        else if (arg == "--list")
        {
            for (const auto& name : validate::Validator::PhaseNames())
                std::printf("%s\n", name.c_str());
            return 0;
        }
        else if (!arg.empty() && arg[0] == '-')
            return Usage();
        else
            options.pluginPath = arg;
    }
    if (options.pluginPath.empty()) return Usage();
    for (const auto& list : {options.only, options.skip})
        for (const auto& name : list)
        {
            const auto& names = validate::Validator::PhaseNames();
            if (std::find(names.begin(), names.end(), name) == names.end())
            {
                std::fprintf(stderr, "unknown phase %s (see --list)\n", name.c_str());
                return 2;
            }
        }

    if (bench)
    {
        validate::DenormalBench benchmark(options.pluginPath, quietSeconds, options.profile);
        return benchmark.Run() ? 0 : 1;
    }

    std::printf("korvala-validate %s\nseed %llu (replay with --seed %llu)%s\n",
                options.pluginPath.c_str(), static_cast<unsigned long long>(options.seed),
                static_cast<unsigned long long>(options.seed), options.quick ? ", quick run" : "");
    validate::Report report;
    validate::Validator validator(options, report);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = validator.Run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("configurations run: %ld\nchecks: %ld, failed: %ld, %.1f s\nresult: %s (seed "
                "%llu)\n",
                report.Configurations(), report.Checks(), report.Failures(), seconds,
                ok ? "PASS" : "FAIL", static_cast<unsigned long long>(options.seed));
    return ok ? 0 : 1;
}
