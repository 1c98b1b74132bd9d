#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/AllocationCounter.h"
#include "tools/validate/Isolation.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace validate
{

Validator::Validator(ValidatorOptions options, Report& report)
    : mOptions(std::move(options)), mReport(report)
{
}

const std::vector<std::string>& Validator::PhaseNames()
{
    static const std::vector<std::string> names = {
        "record", "close-unopened", "lifecycle", "matrix",      "oversize", "rate-change",
        "params", "threads",        "state",     "block-split", "recovery"};
    return names;
}

bool Validator::Selected(const std::string& phase) const
{
    const auto& only = mOptions.only;
    const auto& skip = mOptions.skip;
    if (!only.empty() && std::find(only.begin(), only.end(), phase) == only.end()) return false;
    return std::find(skip.begin(), skip.end(), phase) == skip.end();
}

uint64_t Validator::SeedFor(const std::string& what) const
{
    // FNV-1a of the name, mixed with the run seed: each phase and each
    // configuration draws the same values whatever else is selected.
    uint64_t h = 1469598103934665603ull ^ mOptions.seed;
    for (unsigned char c : what)
    {
        h ^= c;
        h *= 1099511628211ull;
    }
    return Random(h).Next();
}

bool Validator::Run()
{
    using Phase = void (Validator::*)(Report&);
    const std::vector<std::pair<std::string, Phase>> phases = {
        {"record", &Validator::Record},       {"close-unopened", &Validator::CloseUnopened},
        {"lifecycle", &Validator::Lifecycle}, {"matrix", &Validator::Matrix},
        {"oversize", &Validator::Oversize},   {"rate-change", &Validator::RateChange},
        {"params", &Validator::Params},       {"threads", &Validator::Threads},
        {"state", &Validator::State},         {"block-split", &Validator::BlockSplit},
        {"recovery", &Validator::Recovery},
    };
    mReport.SetPhase("start");
    if (!AllocationCounter::Available())
        mReport.Note("allocation counting is not available in this build");
    for (const auto& entry : phases)
    {
        const std::string& name = entry.first;
        const Phase phase = entry.second;
        if (!Selected(name)) continue;
        mReport.BeginPhase(name);
        // Generous: the matrix is the longest phase and takes well under a
        // minute on one core in a release build.
        const unsigned limit = name == "matrix" ? 1800 : 600;
        Isolation::Run([this, phase](Report& r) { (this->*phase)(r); }, mReport, mOptions.isolate,
                       limit);
    }
    return mReport.Failures() == 0;
}

bool Validator::Open(PluginInstance& instance, Report& report, const std::string& configuration)
{
    if (!instance.Open(mOptions.pluginPath))
    {
        report.Fail("open", configuration, instance.Error());
        return false;
    }
    if (!mKnobsFound)
    {
        mKnobs = BoundProfile::Bind(mOptions.profile.For(instance.Effect()->uniqueID), instance);
        mKnobsFound = true;
    }
    return true;
}

bool Validator::RightChannelRandom(PluginInstance& instance) const
{
    return mKnobs.AnalogOn(instance);
}

bool Validator::ProcessChecked(PluginInstance& instance, AudioBuffers& buffers, Precision precision,
                               int n, Report& report, const std::string& configuration,
                               bool finiteInput, double inputPeak)
{
    // A plug-in that does not offer a call is not judged on it.
    if ((precision == Precision::Double && !instance.CanDoubleReplacing()) ||
        (precision == Precision::Float && !instance.CanReplacing()))
        return true;
    buffers.MarkOutputs(precision, n);
    long allocations = 0, releases = 0;
    AllocationCounter::Arm();
    buffers.Process(instance, precision, n);
    AllocationCounter::Disarm(allocations, releases);
    const OutputScan scan = buffers.Scan(precision, n);

    bool ok = true;
    const std::string where =
        configuration + " " + PrecisionName(precision) + " n=" + std::to_string(n);
    if (AllocationCounter::Available())
    {
        ok &= report.Expect(allocations == 0 && releases == 0, "no-allocation", where,
                            std::to_string(allocations) + " allocations and " +
                                std::to_string(releases) + " releases on the audio thread");
    }
    auto sample = [&]
    {
        return "channel " + std::to_string(scan.channel) + " frame " + std::to_string(scan.frame) +
               " = " + Format("%g", scan.value);
    };
    ok &= report.Expect(scan.unwritten == 0, "outputs-written", where,
                        std::to_string(scan.unwritten) + " output samples left unwritten");
    if (finiteInput)
    {
        ok &= report.Expect(scan.nonFinite == 0, "finite-output", where,
                            std::to_string(scan.nonFinite) +
                                " non-finite output samples from finite input, first " + sample());
    }
    ok &= report.Expect(scan.subnormal == 0, "no-subnormal-output", where,
                        std::to_string(scan.subnormal) + " subnormal output samples, first " +
                            sample());
    if (finiteInput && inputPeak >= 0.0)
    {
        const double bound = mKnobs.OutputPeakBound(instance, inputPeak);
        ok &= report.Expect(scan.peak <= bound, "bounded-output", where,
                            "output peak " + Format("%g", scan.peak) + " above " +
                                Format("%g", bound));
    }
    return ok;
}

} // namespace validate
