#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/host/SharedLibrary.h"
#include "tools/validate/AllocationCounter.h"
#include "tools/validate/Isolation.h"
#include "tools/validate/Random.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <utility>

namespace validate
{

namespace
{

const std::vector<double> kRates = {8000,  11025, 13333, 22050,  44100,
                                    48000, 88200, 96000, 192000, 384000};
const std::vector<int> kBlockSizes = {0, 1, 2, 17, 64, 511, 1024, 4096, 4097, 5461, 5462, 8192};
const std::vector<double> kQuickRates = {8000, 44100, 384000};
const std::vector<int> kQuickBlockSizes = {0, 1, 17, 4097, 5462};
const char* const kModelNames[] = {"VCA", "FET", "OPTO"};

// Texts a host's text entry might pass to effString2Parameter: numbers in and
// out of every range, non-numbers, display texts in and out of case, huge.
const char* const kHostileTexts[] = {"0",
                                     "1",
                                     "-1",
                                     "0.5",
                                     "12.5",
                                     "-60",
                                     "30",
                                     "1e308",
                                     "-1e308",
                                     "1e-320",
                                     "nan",
                                     "NaN",
                                     "inf",
                                     "-inf",
                                     "INF",
                                     "",
                                     " ",
                                     "abc",
                                     "0x1p3",
                                     "+",
                                     "-",
                                     "VCA",
                                     "FET",
                                     "OPTO",
                                     "vca",
                                     "on",
                                     "off",
                                     "ON",
                                     "20",
                                     "500",
                                     "4000",
                                     "1200",
                                     "  7",
                                     "3 : 1",
                                     "-0",
                                     "99999999999999999999999999999999",
                                     "1.7976931348623157e308"};

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A normalised value from the set that trips parameter code: ends, outside
// 0..1, non-finite, subnormal, negative zero, or plain random.
float HostileValue(Random& random)
{
    switch (random.Integer(0, 11))
    {
    case 0:
        return 0.0f;
    case 1:
        return 1.0f;
    case 2:
        return -1.0f;
    case 3:
        return 2.0f;
    case 4:
        return std::numeric_limits<float>::quiet_NaN();
    case 5:
        return std::numeric_limits<float>::infinity();
    case 6:
        return -std::numeric_limits<float>::infinity();
    case 7:
        return 1e30f;
    case 8:
        return -1e30f;
    case 9:
        return 1e-40f;
    case 10:
        return -0.0f;
    default:
        return static_cast<float>(random.Uniform());
    }
}

int HostileIndex(Random& random, int count)
{
    switch (random.Integer(0, 5))
    {
    case 0:
        return -1;
    case 1:
        return count;
    case 2:
        return INT_MIN;
    case 3:
        return INT_MAX;
    default:
        return static_cast<int>(random.Integer(0, count > 0 ? count - 1 : 0));
    }
}

// Looks at a text the plug-in wrote into a host buffer: terminated, not
// longer than the buffers hosts hand out, nothing written past the
// terminator's buffer.
class TextProbe
{
  public:
    TextProbe()
    {
        std::memset(mBuffer, kGuard, sizeof mBuffer);
        mBuffer[0] = '\0';
    }
    char* Data() { return mBuffer; }
    // Length of the text, or -1 if there is no terminator in the buffer.
    long Length() const
    {
        const void* end = std::memchr(mBuffer, '\0', sizeof mBuffer);
        return end == nullptr ? -1 : static_cast<const char*>(end) - mBuffer;
    }

  private:
    static constexpr char kGuard = 0x5A;
    char mBuffer[1024];
};

// Hosts commonly pass 64-byte buffers for parameter texts (the interface
// itself promises only 8); a longer text overruns real hosts.
constexpr long kLongestSafeText = 63;

bool SameOutput(const AudioBuffers& a, const AudioBuffers& b, Precision precision, int n,
                int channels, long& frame, int& channel, double& va, double& vb)
{
    for (int c = 0; c < channels; ++c)
    {
        for (int i = 0; i < n; ++i)
        {
            const double x = a.Output(precision, c, i), y = b.Output(precision, c, i);
            if (std::memcmp(&x, &y, sizeof x) != 0)
            {
                frame = i;
                channel = c;
                va = x;
                vb = y;
                return false;
            }
        }
    }
    return true;
}

} // namespace

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
        mKnobs.inputGain = instance.FindParameter("Input Gain");
        mKnobs.model = instance.FindParameter("Model Type");
        mKnobs.threshold = instance.FindParameter("Threshold");
        mKnobs.ratio = instance.FindParameter("Ratio");
        mKnobs.attack = instance.FindParameter("Attack");
        mKnobs.release = instance.FindParameter("Release");
        mKnobs.outputGain = instance.FindParameter("Output Gain");
        mKnobs.oversampling = instance.FindParameter("Oversampling");
        mKnobs.analog = instance.FindParameter("Analog Emulation");
        mKnobs.sidechainFilter = instance.FindParameter("Sidechain Filter");
        mKnobs.externalSidechain = instance.FindParameter("External Sidechain");
        mKnobsFound = true;
    }
    return true;
}

bool Validator::RightChannelRandom(PluginInstance& instance)
{
    return mKnobs.analog >= 0 && instance.GetParameter(mKnobs.analog) >= 0.5f;
}

// The largest output peak a healthy instance can give for an input peak,
// with the gain knobs at 0 dB. A compressor never adds gain, so ten times the
// input covers filter overshoot; a filter that has blown up goes far past it.
// The analog stage is the exception: its harmonics grow with up to the sixth
// power of the band-limited copy, so a hot input (peaks near 2) legitimately
// comes out ten times louder. Its worst case is bounded here with the copy at
// twice the input peak (the band-limit filter's gain on any signal is below
// that) and twice the result for the DC blocker's step response.
double Validator::OutputPeakBound(double inputPeak, bool analogOn)
{
    double peak = inputPeak;
    if (analogOn)
    {
        const double b = 2.0 * inputPeak;
        const double b2 = b * b;
        const double even = 0.5 * b2 + 0.25 * b2 * b2 + 0.125 * b2 * b2 * b2;
        const double odd = 0.15 * b2 * b + 0.075 * b2 * b2 * b;
        peak = 2.0 * (inputPeak + 0.5 * even + odd);
    }
    // The floor covers the analog noise on silent input.
    return 10.0 * peak + 0.01;
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
        const double bound = OutputPeakBound(inputPeak, RightChannelRandom(instance));
        ok &= report.Expect(scan.peak <= bound, "bounded-output", where,
                            "output peak " + Format("%g", scan.peak) + " above " +
                                Format("%g", bound));
    }
    return ok;
}

// ---------------------------------------------------------------------------

void Validator::Record(Report& report)
{
    PluginInstance instance;
    if (!Open(instance, report, "default")) return;
    AEffect* e = instance.Effect();
    report.Expect(e->magic == kEffectMagic, "magic", "record", "wrong magic");
    report.Expect(e->dispatcher != nullptr && e->setParameter != nullptr &&
                      e->getParameter != nullptr,
                  "callbacks", "record", "a callback pointer is null");
    report.Expect((e->flags & effFlagsCanReplacing) == 0 || e->processReplacing != nullptr,
                  "callbacks", "record", "effFlagsCanReplacing without processReplacing");
    report.Expect((e->flags & effFlagsCanDoubleReplacing) == 0 ||
                      e->processDoubleReplacing != nullptr,
                  "callbacks", "record", "effFlagsCanDoubleReplacing without the callback");
    report.Expect(e->numParams >= 0 && e->numParams < 100000 && e->numInputs >= 0 &&
                      e->numOutputs >= 0 && e->numPrograms >= 0,
                  "counts", "record",
                  "implausible counts: params " + std::to_string(e->numParams) + ", inputs " +
                      std::to_string(e->numInputs) + ", outputs " + std::to_string(e->numOutputs) +
                      ", programs " + std::to_string(e->numPrograms));
    report.Note("effect \"" + instance.EffectName() + "\", " + std::to_string(e->numParams) +
                " parameters, " + std::to_string(e->numInputs) + " inputs, " +
                std::to_string(e->numOutputs) + " outputs");
    for (int i = 0; i < e->numParams; ++i)
    {
        const std::string where = "parameter " + std::to_string(i);
        const float v = instance.GetParameter(i);
        report.Expect(std::isfinite(v) && v >= 0.0f && v <= 1.0f, "parameter-range", where,
                      "getParameter answered " + Format("%g", v));
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        {
            TextProbe probe;
            instance.Dispatch(opcode, i, 0, probe.Data());
            const long length = probe.Length();
            report.Expect(length >= 0 && length <= kLongestSafeText, "text-length",
                          where + " opcode " + std::to_string(opcode),
                          "text of " + std::to_string(length) + " characters");
        }
        report.Expect(!instance.ParameterName(i).empty(), "parameter-name", where, "empty name");
    }
}

void Validator::CloseUnopened(Report& report)
{
    // What hosts' scanners do: create an effect, look at it and close it,
    // with or without effOpen, with or without ever resuming it.
    SharedLibrary library;
    if (!library.Open(mOptions.pluginPath))
    {
        report.Fail("load", "library", library.Error());
        return;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(library.Symbol("VSTPluginMain"));
    if (entry == nullptr) entry = reinterpret_cast<VstPluginMainProc>(library.Symbol("main"));
    if (!report.Expect(entry != nullptr, "entry-point", "library", "no VSTPluginMain or main"))
        return;
    for (int variant = 0; variant < 3; ++variant)
    {
        for (int repeat = 0; repeat < 10; ++repeat)
        {
            AEffect* e = entry(&PluginInstance::HostCallback);
            if (!report.Expect(e != nullptr && e->magic == kEffectMagic, "entry-point",
                               "variant " + std::to_string(variant), "no valid effect record"))
                return;
            if (variant >= 1) e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
            if (variant == 2)
            {
                e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
                e->dispatcher(e, effSetBlockSize, 0, 256, nullptr, 0.0f);
                e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
            }
            e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
            report.Pass();
        }
    }
}

void Validator::Lifecycle(Report& report)
{
    const int cycles = mOptions.quick ? 10 : 100;
    Random random(SeedFor("lifecycle"));
    AudioBuffers buffers;
    SignalGenerator generator(random.Next(), 44100.0);

    // One instance, opened and closed again and again, processing in between.
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        PluginInstance instance;
        if (!Open(instance, report, "single cycle " + std::to_string(cycle))) return;
        if (buffers.Capacity() == 0)
            buffers.Allocate(instance.Effect()->numInputs, instance.Effect()->numOutputs, 512);
        instance.Start(44100.0, 512);
        buffers.Generate(generator, 512);
        ProcessChecked(instance, buffers, cycle % 2 ? Precision::Double : Precision::Float, 512,
                       report, "single cycle " + std::to_string(cycle));
        instance.Close();
    }

    // Several instances at once, created and destroyed from two threads at
    // the same moment, as a host loading a project does.
    constexpr int kPerThread = 3;
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        std::vector<std::unique_ptr<PluginInstance>> left(kPerThread), right(kPerThread);
        std::atomic<int> ready{0};
        std::atomic<int> opened{0};
        auto create = [&](std::vector<std::unique_ptr<PluginInstance>>& list)
        {
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
            for (auto& p : list)
            {
                p = std::make_unique<PluginInstance>();
                if (p->Open(mOptions.pluginPath)) opened.fetch_add(1);
            }
        };
        std::thread a(create, std::ref(left));
        std::thread b(create, std::ref(right));
        a.join();
        b.join();
        const std::string where = "several cycle " + std::to_string(cycle);
        if (!report.Expect(opened.load() == 2 * kPerThread, "open", where,
                           "only " + std::to_string(opened.load()) + " of " +
                               std::to_string(2 * kPerThread) + " instances opened"))
            return;
        std::vector<PluginInstance*> all;
        for (auto& p : left)
            all.push_back(p.get());
        for (auto& p : right)
            all.push_back(p.get());
        for (size_t i = 0; i < all.size(); ++i)
            for (size_t j = i + 1; j < all.size(); ++j)
                report.Expect(all[i]->Effect() != all[j]->Effect() &&
                                  (all[i]->Effect()->object == nullptr ||
                                   all[i]->Effect()->object != all[j]->Effect()->object),
                              "distinct-instances", where, "two instances share a record");
        for (PluginInstance* p : all)
        {
            p->Start(48000.0, 256);
            buffers.Generate(generator, 256);
            ProcessChecked(*p, buffers, Precision::Float, 256, report, where);
        }
        ready.store(0);
        auto destroy = [&](std::vector<std::unique_ptr<PluginInstance>>& list)
        {
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
            for (auto& p : list)
                p.reset();
        };
        std::thread c(destroy, std::ref(left));
        std::thread d(destroy, std::ref(right));
        c.join();
        d.join();
    }
}

void Validator::Matrix(Report& report)
{
    const auto& rates = !mOptions.rates.empty() ? mOptions.rates
                        : mOptions.quick        ? kQuickRates
                                                : kRates;
    const auto& blocks = !mOptions.blockSizes.empty() ? mOptions.blockSizes
                         : mOptions.quick             ? kQuickBlockSizes
                                                      : kBlockSizes;
    // Enough frames per configuration for a few hundred milliseconds of
    // audio at the common rates, and at least two blocks; the whole matrix
    // then stays within a minute or two on one core.
    const int targetFrames = mOptions.quick ? 1024 : 16384;

    for (double rate : rates)
    {
        for (int block : blocks)
        {
            PluginInstance instance;
            const std::string base =
                "rate=" + Format("%.0f", rate) + " block=" + std::to_string(block);
            if (!Open(instance, report, base)) return;
            AEffect* e = instance.Effect();
            AudioBuffers buffers;
            buffers.Allocate(e->numInputs, e->numOutputs, block);
            instance.SetSampleRate(rate);
            instance.SetBlockSize(block);
            instance.Resume();
            if (mKnobs.inputGain >= 0) instance.SetParameterText(mKnobs.inputGain, "0");
            if (mKnobs.outputGain >= 0) instance.SetParameterText(mKnobs.outputGain, "0");

            // Largest input so far: the instance's state carries over from one
            // configuration to the next, and so may its output.
            double peak = 0.0;
            const int models = mKnobs.model >= 0 ? 3 : 1;
            const int oversamplings = mKnobs.oversampling >= 0 ? 2 : 1;
            const int analogs = mKnobs.analog >= 0 ? 2 : 1;
            for (Precision precision : {Precision::Float, Precision::Double})
            {
                for (int model = 0; model < models; ++model)
                {
                    for (int os = 0; os < oversamplings; ++os)
                    {
                        for (int analog = 0; analog < analogs; ++analog)
                        {
                            std::string config = base;
                            if (mKnobs.model >= 0)
                            {
                                instance.SetParameter(mKnobs.model, model * 0.5f);
                                config += std::string(" model=") + kModelNames[model];
                            }
                            if (mKnobs.oversampling >= 0)
                            {
                                instance.SetParameter(mKnobs.oversampling, float(os));
                                config += os ? " os=on" : " os=off";
                            }
                            if (mKnobs.analog >= 0)
                            {
                                instance.SetParameter(mKnobs.analog, float(analog));
                                config += analog ? " analog=on" : " analog=off";
                            }
                            Random random(SeedFor(config + PrecisionName(precision)));
                            for (int knob : {mKnobs.threshold, mKnobs.ratio, mKnobs.attack,
                                             mKnobs.release, mKnobs.sidechainFilter})
                            {
                                if (knob < 0) continue;
                                const float v = static_cast<float>(random.Uniform());
                                instance.SetParameter(knob, v);
                                config += " p" + std::to_string(knob) + "=" + Format("%.3f", v);
                            }
                            if (mKnobs.externalSidechain >= 0)
                            {
                                const bool on = random.Chance(0.3);
                                instance.SetParameter(mKnobs.externalSidechain, on ? 1.0f : 0.0f);
                                config += on ? " extsc=on" : " extsc=off";
                            }
                            SignalGenerator generator(random.Next(), rate);
                            if (block == 0)
                            {
                                for (int call = 0; call < 4; ++call)
                                    ProcessChecked(instance, buffers, precision, 0, report, config);
                            }
                            else
                            {
                                int done = 0;
                                const int total = std::max(2 * block, targetFrames);
                                bool clean = true;
                                while (done < total && clean)
                                {
                                    buffers.Generate(generator, block);
                                    peak = std::max(peak, buffers.InputPeak(block));
                                    clean = ProcessChecked(instance, buffers, precision, block,
                                                           report, config, true, peak);
                                    done += block;
                                }
                            }
                            report.CountConfiguration();
                        }
                    }
                }
            }
            instance.Suspend();
            instance.Close();
        }
    }
}

void Validator::Oversize(Report& report)
{
    // A host that announced a small block size and then passes a larger one
    // (several do, e.g. at the end of an offline render). The result must be
    // that of a host that announced the larger size.
    Random random(SeedFor("oversize"));
    const std::vector<std::pair<int, int>> cases = {{1, 2},      {64, 65},     {64, 1000},
                                                    {512, 4097}, {1024, 8192}, {17, 5462}};
    for (const auto& [announced, passed] : cases)
    {
        const std::string config =
            "announced=" + std::to_string(announced) + " passed=" + std::to_string(passed);
        PluginInstance small, large;
        if (!Open(small, report, config) || !Open(large, report, config)) return;
        AEffect* e = small.Effect();
        AudioBuffers a, b;
        a.Allocate(e->numInputs, e->numOutputs, passed);
        b.Allocate(e->numInputs, e->numOutputs, passed);
        small.Start(44100.0, announced);
        large.Start(44100.0, passed);
        const uint64_t settings = random.Next();
        for (PluginInstance* p : {&small, &large})
        {
            Random r(settings);
            for (int i = 0; i < e->numParams; ++i)
                if (i != mKnobs.analog) p->SetParameter(i, static_cast<float>(r.Uniform()));
            // The analog stage's random right-channel offset would make the
            // twins differ for a reason that has nothing to do with the call.
            if (mKnobs.analog >= 0) p->SetParameter(mKnobs.analog, 0.0f);
        }
        const uint64_t signal = random.Next();
        SignalGenerator ga(signal, 44100.0), gb(signal, 44100.0);
        for (int round = 0; round < 3; ++round)
        {
            a.Generate(ga, passed);
            b.Generate(gb, passed);
            ProcessChecked(small, a, Precision::Float, passed, report, config);
            ProcessChecked(large, b, Precision::Float, passed, report, config);
            long frame = 0;
            int channel = 0;
            double va = 0, vb = 0;
            report.Expect(
                SameOutput(a, b, Precision::Float, passed, e->numOutputs, frame, channel, va, vb),
                "oversize-identical", config + " round " + std::to_string(round),
                "differs from one call with the block size announced, at channel " +
                    std::to_string(channel) + " frame " + std::to_string(frame) + ": " +
                    Format("%.9g", va) + " vs " + Format("%.9g", vb));
        }
        report.CountConfiguration();
    }
}

void Validator::RateChange(Report& report)
{
    // Hosts change the rate and the block size between blocks without
    // suspending the effect, and some use the accumulating call.
    Random random(SeedFor("rate-change"));
    PluginInstance instance;
    if (!Open(instance, report, "rate-change")) return;
    AEffect* e = instance.Effect();
    AudioBuffers buffers;
    buffers.Allocate(e->numInputs, e->numOutputs, 8192);
    instance.Start(44100.0, 512);
    SignalGenerator generator(random.Next(), 44100.0);
    const int steps = mOptions.quick ? 20 : 120;
    for (int step = 0; step < steps; ++step)
    {
        const double rate = kRates[static_cast<size_t>(random.Integer(0, kRates.size() - 1))];
        const int block =
            kBlockSizes[static_cast<size_t>(random.Integer(1, kBlockSizes.size() - 1))];
        std::string config = "step " + std::to_string(step);
        if (random.Chance(0.5))
        {
            instance.SetSampleRate(rate);
            config += " rate=" + Format("%.0f", rate);
        }
        if (random.Chance(0.5))
        {
            instance.SetBlockSize(block);
            config += " block=" + std::to_string(block);
        }
        if (random.Chance(0.2))
        {
            const int knob = static_cast<int>(random.Integer(0, e->numParams - 1));
            instance.SetParameter(knob, static_cast<float>(random.Uniform()));
            config += " p" + std::to_string(knob) + " changed";
        }
        const int n = std::min(instance.BlockSize(), buffers.Capacity());
        const Precision precision =
            static_cast<Precision>(random.Integer(0, 2)); // float, double, accumulating
        for (int call = 0; call < 3; ++call)
        {
            buffers.Generate(generator, n);
            ProcessChecked(instance, buffers, precision, n, report, config);
        }
        report.CountConfiguration();
    }
}

void Validator::Params(Report& report)
{
    Random random(SeedFor("params"));
    PluginInstance instance;
    if (!Open(instance, report, "params")) return;
    AEffect* e = instance.Effect();
    const int count = e->numParams;
    AudioBuffers buffers;
    buffers.Allocate(e->numInputs, e->numOutputs, 256);
    instance.Start(44100.0, 256);
    SignalGenerator generator(random.Next(), 44100.0);
    const std::vector<uint8_t> program = instance.GetChunk(true);
    const std::vector<uint8_t> bank = instance.GetChunk(false);

    const int rounds = mOptions.quick ? 60 : 400;
    for (int round = 0; round < rounds; ++round)
    {
        std::string config = "round " + std::to_string(round) + ":";
        const int ops = static_cast<int>(random.Integer(1, 6));
        for (int op = 0; op < ops; ++op)
        {
            const int index = HostileIndex(random, count);
            switch (random.Integer(0, 4))
            {
            case 0:
            case 1:
            {
                const float v = HostileValue(random);
                instance.SetParameter(index, v);
                config += " set(" + std::to_string(index) + "," + Format("%g", v) + ")";
                break;
            }
            case 2:
            {
                const char* text = kHostileTexts[random.Integer(
                    0, sizeof kHostileTexts / sizeof *kHostileTexts - 1)];
                instance.SetParameterText(index, text);
                config += " text(" + std::to_string(index) + ",\"" + text + "\")";
                break;
            }
            case 3:
            {
                // A saved chunk, damaged: truncated, extended, bytes flipped,
                // values replaced by NaN, infinities, huge or subnormal numbers.
                const bool isProgram = random.Chance(0.6);
                std::vector<uint8_t> chunk = isProgram ? program : bank;
                switch (random.Integer(0, 4))
                {
                case 0:
                    chunk.resize(static_cast<size_t>(random.Integer(0, chunk.size())));
                    break;
                case 1:
                    for (int k = 0; k < 64; ++k)
                        chunk.push_back(static_cast<uint8_t>(random.Next()));
                    break;
                case 2:
                    for (int k = 0; k < 4 && !chunk.empty(); ++k)
                        chunk[static_cast<size_t>(random.Integer(0, chunk.size() - 1))] =
                            static_cast<uint8_t>(random.Next());
                    break;
                default:
                {
                    const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                                             std::numeric_limits<double>::infinity(),
                                             -std::numeric_limits<double>::infinity(),
                                             1e300,
                                             -1e300,
                                             4.9e-324,
                                             -0.0};
                    for (int k = 0; k < 3 && chunk.size() >= 16; ++k)
                    {
                        const double v = values[random.Integer(0, 6)];
                        // Program values start after the 8-byte header; in a bank
                        // they follow the name and flag. Any 8-aligned spot will do.
                        const size_t at =
                            8 * static_cast<size_t>(random.Integer(1, chunk.size() / 8 - 1));
                        std::memcpy(chunk.data() + at, &v, sizeof v);
                    }
                    break;
                }
                }
                instance.SetChunk(isProgram, chunk);
                config += std::string(" chunk(") + (isProgram ? "program" : "bank") + "," +
                          std::to_string(chunk.size()) + " bytes)";
                break;
            }
            default:
            {
                // A negative size, as a host with a sign bug passes it.
                std::vector<uint8_t> chunk = program;
                instance.Dispatch(effSetChunk, 1,
                                  -static_cast<VstIntPtr>(random.Integer(1, 1 << 20)),
                                  chunk.data());
                config += " chunk(negative size)";
                break;
            }
            }
        }
        // Whatever arrived, the parameters read back as normalised values and
        // display as short texts.
        for (int i = 0; i < count; ++i)
        {
            const float v = instance.GetParameter(i);
            report.Expect(std::isfinite(v) && v >= 0.0f && v <= 1.0f, "parameter-range", config,
                          "parameter " + std::to_string(i) + " reads " + Format("%g", v));
            TextProbe probe;
            instance.Dispatch(effGetParamDisplay, i, 0, probe.Data());
            const long length = probe.Length();
            report.Expect(length >= 0 && length <= kLongestSafeText, "text-length", config,
                          "display of parameter " + std::to_string(i) + " is " +
                              std::to_string(length) + " characters");
        }
        for (int index : {-1, count, INT_MIN, INT_MAX})
        {
            TextProbe probe;
            instance.Dispatch(effGetParamDisplay, index, 0, probe.Data());
            report.Expect(probe.Length() == 0, "invalid-index", config,
                          "display of invalid parameter " + std::to_string(index) + " wrote text");
            report.Expect(instance.GetParameter(index) == 0.0f, "invalid-index", config,
                          "getParameter of invalid index " + std::to_string(index) + " is not 0");
        }
        // And the audio stays clean.
        for (Precision precision : {Precision::Float, Precision::Double})
        {
            buffers.Generate(generator, 256);
            ProcessChecked(instance, buffers, precision, 256, report, config);
        }
        report.CountConfiguration();
    }
}

void Validator::Threads(Report& report)
{
    // The host's GUI or automation thread changes parameters and asks for
    // their display while the audio thread processes. The plug-in's lock must
    // serialise them (a sanitizer build sees any unguarded access).
    Random random(SeedFor("threads"));
    PluginInstance instance;
    if (!Open(instance, report, "threads")) return;
    AEffect* e = instance.Effect();
    const int count = e->numParams;
    AudioBuffers buffers;
    buffers.Allocate(e->numInputs, e->numOutputs, 256);
    instance.Start(48000.0, 256);
    SignalGenerator generator(random.Next(), 48000.0);
    const std::vector<uint8_t> program = instance.GetChunk(true);

    std::atomic<bool> stop{false};
    std::atomic<long> guiCalls{0};
    const uint64_t guiSeed = random.Next();
    std::thread gui(
        [&]
        {
            Random r(guiSeed);
            while (!stop.load())
            {
                const int index = static_cast<int>(r.Integer(0, count > 0 ? count - 1 : 0));
                switch (r.Integer(0, 6))
                {
                case 0:
                case 1:
                    instance.SetParameter(index, static_cast<float>(r.Uniform()));
                    break;
                case 2:
                    (void)instance.GetParameter(index);
                    break;
                case 3:
                    (void)instance.ParameterDisplay(index);
                    (void)instance.ParameterLabel(index);
                    break;
                case 4:
                    instance.SetParameterText(index, kHostileTexts[r.Integer(0, 9)]);
                    break;
                case 5:
                    (void)instance.GetChunk(r.Chance(0.5));
                    break;
                default:
                    if (r.Chance(0.1)) instance.SetChunk(true, program);
                    break;
                }
                guiCalls.fetch_add(1);
            }
        });
    const int blocks = mOptions.quick ? 300 : 3000;
    for (int b = 0; b < blocks; ++b)
    {
        buffers.Generate(generator, 256);
        ProcessChecked(instance, buffers, b % 2 ? Precision::Double : Precision::Float, 256, report,
                       "block " + std::to_string(b));
    }
    stop.store(true);
    gui.join();
    report.Note(std::to_string(blocks) + " blocks processed while the other thread made " +
                std::to_string(guiCalls.load()) + " calls");
    report.CountConfiguration();
}

void Validator::State(Report& report)
{
    Random random(SeedFor("state"));
    const int rounds = mOptions.quick ? 4 : 12;
    for (int round = 0; round < rounds; ++round)
    {
        const std::string config = "round " + std::to_string(round);
        PluginInstance source, fromProgram, fromBank, fromParams;
        if (!Open(source, report, config) || !Open(fromProgram, report, config) ||
            !Open(fromBank, report, config) || !Open(fromParams, report, config))
            return;
        AEffect* e = source.Effect();
        const int count = e->numParams;
        for (PluginInstance* p : {&source, &fromProgram, &fromBank, &fromParams})
            p->Start(48000.0, 512);

        // Random settings, through both host entries.
        for (int i = 0; i < count; ++i)
        {
            if (random.Chance(0.7)) source.SetParameter(i, static_cast<float>(random.Uniform()));
        }
        const std::vector<uint8_t> program = source.GetChunk(true);
        const std::vector<uint8_t> bank = source.GetChunk(false);
        std::vector<float> values(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            values[static_cast<size_t>(i)] = source.GetParameter(i);

        // Restored elsewhere, saved again: the same bytes.
        if (!program.empty())
        {
            report.Expect(fromProgram.SetChunk(true, program), "program-restore", config,
                          "the program chunk was refused");
            report.Expect(fromProgram.GetChunk(true) == program, "program-round-trip", config,
                          "the program chunk saved after restoring differs from the one restored");
        }
        if (!bank.empty())
        {
            report.Expect(fromBank.SetChunk(false, bank), "bank-restore", config,
                          "the bank chunk was refused");
            report.Expect(fromBank.GetChunk(false) == bank, "bank-round-trip", config,
                          "the bank chunk saved after restoring differs from the one restored");
        }
        // The way hosts restore plug-ins that do not declare chunks: every
        // parameter's normalised value, in index order.
        for (int i = 0; i < count; ++i)
            fromParams.SetParameter(i, values[static_cast<size_t>(i)]);
        for (PluginInstance* p : {&fromProgram, &fromBank, &fromParams})
        {
            const char* how = p == &fromProgram ? "program chunk"
                              : p == &fromBank  ? "bank chunk"
                                                : "parameter values";
            for (int i = 0; i < count; ++i)
            {
                const float v = p->GetParameter(i);
                const float want = values[static_cast<size_t>(i)];
                report.Expect(std::memcmp(&v, &want, sizeof v) == 0, "restored-parameters",
                              config + " via " + how,
                              "parameter " + std::to_string(i) + " (" + source.ParameterName(i) +
                                  ") reads " + Format("%.9g", v) + " instead of " +
                                  Format("%.9g", want));
            }
        }

        // The chunk-restored instances render what the original renders.
        // (Parameter values pass through single precision on their way, so a
        // continuous parameter may land a rounding away: only the values
        // read back are compared for that path.) The analog stage gives each
        // instance its own random right-channel gain offset, which the
        // feedback models' detectors feed into both channels; it is switched
        // off for the comparison, everything else stays as restored.
        for (PluginInstance* p : {&source, &fromProgram, &fromBank})
            if (mKnobs.analog >= 0) p->SetParameter(mKnobs.analog, 0.0f);
        const bool leftOnly = RightChannelRandom(source);
        const uint64_t signal = random.Next();
        std::vector<std::unique_ptr<AudioBuffers>> outs;
        std::vector<PluginInstance*> all = {&source, &fromProgram, &fromBank};
        for (size_t k = 0; k < all.size(); ++k)
        {
            outs.push_back(std::make_unique<AudioBuffers>());
            outs.back()->Allocate(e->numInputs, e->numOutputs, 512);
        }
        std::vector<SignalGenerator> generators;
        for (size_t k = 0; k < all.size(); ++k)
            generators.emplace_back(signal, 48000.0);
        for (int b = 0; b < 8; ++b)
        {
            for (size_t k = 0; k < all.size(); ++k)
            {
                outs[k]->Generate(generators[k], 512);
                ProcessChecked(*all[k], *outs[k], Precision::Double, 512, report, config);
            }
            for (size_t k = 1; k < all.size(); ++k)
            {
                long frame = 0;
                int channel = 0;
                double va = 0, vb = 0;
                const bool same = SameOutput(*outs[0], *outs[k], Precision::Double, 512,
                                             leftOnly ? 1 : e->numOutputs, frame, channel, va, vb);
                const char* how = k == 1 ? "program chunk" : "bank chunk";
                if (!report.Expect(same, "restored-render", config + " via " + how,
                                   "block " + std::to_string(b) + " channel " +
                                       std::to_string(channel) + " frame " + std::to_string(frame) +
                                       ": " + Format("%.17g", vb) + " instead of " +
                                       Format("%.17g", va)))
                    break;
            }
        }
        report.CountConfiguration();
    }
}

void Validator::BlockSplit(Report& report)
{
    // The same audio in one block size, sample by sample, and in random
    // splits (larger than the analog stage's and the oversampler's buffers
    // too) must give the same output bit for bit.
    Random random(SeedFor("block-split"));
    const int frames = mOptions.quick ? 6000 : 24000;
    const int models = 3, oversamplings = 2, analogs = 2;
    for (int setting = 0; setting < models * oversamplings * analogs; ++setting)
    {
        PluginInstance whole, single, split;
        std::string config = "setting " + std::to_string(setting);
        if (!Open(whole, report, config) || !Open(single, report, config) ||
            !Open(split, report, config))
            return;
        AEffect* e = whole.Effect();
        const uint64_t settings = random.Next();
        for (PluginInstance* p : {&whole, &single, &split})
        {
            p->Start(44100.0, 8192);
            Random r(settings);
            for (int i = 0; i < e->numParams; ++i)
                p->SetParameter(i, static_cast<float>(r.Uniform()));
            if (mKnobs.model >= 0) p->SetParameter(mKnobs.model, (setting % 3) * 0.5f);
            if (mKnobs.oversampling >= 0)
                p->SetParameter(mKnobs.oversampling, float((setting / 3) % 2));
            if (mKnobs.analog >= 0) p->SetParameter(mKnobs.analog, float((setting / 6) % 2));
            if (mKnobs.inputGain >= 0) p->SetParameterText(mKnobs.inputGain, "0");
            if (mKnobs.outputGain >= 0) p->SetParameterText(mKnobs.outputGain, "0");
        }
        if (mKnobs.model >= 0)
            config += std::string(" model=") + kModelNames[setting % 3] +
                      ((setting / 3) % 2 ? " os=on" : " os=off") +
                      ((setting / 6) % 2 ? " analog=on" : " analog=off");
        const bool leftOnly = RightChannelRandom(whole);
        // Each instance draws its own random right-channel offset while the
        // analog stage is on; the feedback models (FET, opto) feed it back
        // into both channels, so only the VCA model compares across
        // instances then.
        const bool comparable = !leftOnly || (mKnobs.model >= 0 && setting % 3 == 0);
        const uint64_t signal = random.Next();

        // Renders all frames with calls of the sizes next() gives.
        auto render =
            [&](PluginInstance& p, const std::function<int()>& next, std::vector<double>& out)
        {
            AudioBuffers buffers;
            buffers.Allocate(e->numInputs, e->numOutputs, 8192);
            SignalGenerator generator(signal, 44100.0);
            out.clear();
            int done = 0;
            while (done < frames)
            {
                const int n = std::min(next(), frames - done);
                buffers.Generate(generator, n);
                ProcessChecked(p, buffers, Precision::Double, n, report, config);
                for (int i = 0; i < n; ++i)
                    for (int c = 0; c < (leftOnly ? 1 : e->numOutputs); ++c)
                        out.push_back(buffers.Output(Precision::Double, c, i));
                done += n;
            }
        };
        std::vector<double> a, b, c;
        Random splits(random.Next());
        render(
            whole, [] { return 4096; }, a);
        render(
            single, [] { return 1; }, b);
        render(
            split, [&] { return static_cast<int>(splits.Integer(1, 8192)); }, c);
        for (const auto* other : {&b, &c})
        {
            if (!comparable) break;
            size_t at = 0;
            while (at < a.size() && std::memcmp(&a[at], &(*other)[at], sizeof(double)) == 0)
                ++at;
            report.Expect(at == a.size(), "block-size-independent",
                          config + (other == &b ? " one frame per call" : " random splits"),
                          "sample " + std::to_string(at) + " differs from blocks of 4096: " +
                              (at < a.size()
                                   ? Format("%.17g", (*other)[at]) + " vs " + Format("%.17g", a[at])
                                   : std::string()));
        }
        report.CountConfiguration();
    }
}

void Validator::Recovery(Report& report)
{
    // One NaN or infinity from an upstream plug-in may spoil the block it is
    // in, but the blocks after it, with finite input, must be finite again.
    Random random(SeedFor("recovery"));
    const double poisons[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    for (int model = 0; model < 3; ++model)
    {
        for (int where = 0; where < 2; ++where) // main input, sidechain input
        {
            for (const double poison : poisons)
            {
                PluginInstance instance;
                std::string config =
                    "poison=" + Format("%g", poison) + (where ? " in sidechain" : " in main input");
                if (!Open(instance, report, config)) return;
                if (model > 0 && mKnobs.model < 0) return; // a plug-in with one model
                AEffect* e = instance.Effect();
                if (where == 1 && e->numInputs < 4) continue;
                AudioBuffers buffers;
                buffers.Allocate(e->numInputs, e->numOutputs, 512);
                instance.Start(44100.0, 512);
                if (mKnobs.model >= 0)
                {
                    instance.SetParameter(mKnobs.model, model * 0.5f);
                    config += std::string(" model=") + kModelNames[model];
                }
                if (mKnobs.threshold >= 0) instance.SetParameter(mKnobs.threshold, 0.7f);
                if (mKnobs.ratio >= 0) instance.SetParameter(mKnobs.ratio, 0.5f);
                if (where == 1 && mKnobs.externalSidechain >= 0)
                    instance.SetParameter(mKnobs.externalSidechain, 1.0f);
                SignalGenerator generator(random.Next(), 44100.0);
                for (int b = 0; b < 4; ++b)
                {
                    buffers.Generate(generator, 512);
                    ProcessChecked(instance, buffers, Precision::Double, 512, report, config);
                }
                buffers.Generate(generator, 512);
                buffers.SetInput(where ? 2 : 0, 100, poison);
                const bool poisonedBlockClean = ProcessChecked(instance, buffers, Precision::Double,
                                                               512, report, config, false) &&
                                                buffers.Scan(Precision::Double, 512).nonFinite == 0;
                report.Expect(poisonedBlockClean, "finite-output-of-poisoned-block", config,
                              "the block holding the non-finite input sample put out "
                              "non-finite samples");
                bool recovered = true;
                for (int b = 0; b < 8 && recovered; ++b)
                {
                    buffers.Generate(generator, 512);
                    recovered = ProcessChecked(instance, buffers, Precision::Double, 512, report,
                                               config + " block " + std::to_string(b + 1) +
                                                   " after the non-finite sample");
                }
                report.CountConfiguration();
            }
        }
    }
}

} // namespace validate
