// korvala-crosscheck: renders a fixed set of settings through a plug-in in
// double precision and compares two such renders, so that the Windows module
// (run under Wine) can be held against the Linux module sample by sample.
//
//   korvala-crosscheck render PLUGIN OUT.bin
//   korvala-crosscheck compare A.bin B.bin [TOLERANCE]
//   korvala-crosscheck compare-wav A.wav B.wav
//
// compare-wav holds two 32-bit float WAV renders of korvala-host (one per
// module) against each other: every sample must agree within 2^-24 of its
// magnitude.
//
// Built for both targets from this one source. The input signals are made
// with additions and multiplications only (no sin, exp or pow), so that both
// builds feed the plug-in bit-identical samples whatever their maths
// libraries; any difference in the output comes from the plug-in. "Analog
// Emulation" stays off in every case: its right-channel offset is random.

#include "AudioFile.h"
#include "PluginInstance.h"
#include "RenderDifference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr char kMagic[8] = {'K', 'O', 'R', 'V', 'X', 'C', 'K', '1'};
constexpr double kSampleRate = 48000.0;
constexpr std::size_t kFrames = 24000;

// One rendered case: the settings as normalised values by parameter name.
struct Setting
{
    const char* name;
    float value;
};

struct Case
{
    std::string label;
    std::vector<Setting> settings;
    int blockSize;
    bool sidechain; // a different signal on inputs 3 and 4
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    const char* models[3] = {"VCA", "FET", "OPTO"};
    const float modelValues[3] = {0.0f, 0.5f, 1.0f};
    // Odd and even block sizes, one of them not dividing the length.
    const int blocks[4] = {512, 333, 64, 4096};
    int k = 0;
    for (int m = 0; m < 3; ++m)
        for (int oversampling = 0; oversampling < 2; ++oversampling)
            for (int external = 0; external < 2; ++external)
            {
                Case c;
                c.label = std::string(models[m]) + (oversampling ? " oversampled" : " plain") +
                          (external ? " external-sidechain" : "");
                c.settings = {{"Model Type", modelValues[m]},
                              {"Oversampling", static_cast<float>(oversampling)},
                              {"Analog Emulation", 0.0f},
                              {"External Sidechain", static_cast<float>(external)},
                              {"Input Gain", 0.75f},
                              {"Threshold", 0.3f},
                              {"Ratio", 0.6f},
                              {"Attack", 0.2f},
                              {"Release", 0.3f},
                              {"Sidechain Filter", external ? 0.0f : 0.4f},
                              {"Output Gain", 0.7f}};
                c.blockSize = blocks[k++ % 4];
                c.sidechain = external != 0;
                cases.push_back(c);
            }
    return cases;
}

// Deterministic test signal: two sines made by the Chebyshev recurrence
// s[n] = 2 c s[n-1] - s[n-2] (c = cos of the step, as a literal), under a
// piecewise-linear envelope of bursts, plus a little LCG noise.
struct Signal
{
    double c1, s1a, s1b; // 441 Hz at 48 kHz
    double c2, s2a, s2b; // 2.9 kHz
    std::uint32_t noise;

    explicit Signal(std::uint32_t seed)
        : c1(0.9983342729473825), s1a(0.0), s1b(-0.057694709104223973), c2(0.9288095528719242),
          s2a(0.0), s2b(-0.3705574375098362), noise(seed)
    {
    }

    double Next(std::size_t n)
    {
        const double a = 2.0 * c1 * s1a - s1b;
        s1b = s1a;
        s1a = a;
        const double b = 2.0 * c2 * s2a - s2b;
        s2b = s2a;
        s2a = b;
        noise = noise * 1664525u + 1013904223u;
        const double white = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
        // Bursts of 4000 frames: 500-frame attack ramp, hold, 1500-frame fall.
        const std::size_t t = n % 4000;
        double env = t < 500 ? t / 500.0 : (t < 2500 ? 1.0 : (4000 - t) / 1500.0);
        env *= (n / 4000) % 2 == 0 ? 0.9 : 0.3;
        return env * (0.6 * a + 0.25 * b) + 0.01 * white;
    }
};

bool Render(const char* pluginPath, const char* outPath)
{
    std::FILE* out = std::fopen(outPath, "wb");
    if (out == nullptr)
    {
        std::fprintf(stderr, "crosscheck: cannot write %s\n", outPath);
        return false;
    }
    std::fwrite(kMagic, 1, sizeof kMagic, out);
    const std::vector<Case> cases = Cases();
    const std::uint32_t count = static_cast<std::uint32_t>(cases.size());
    std::fwrite(&count, sizeof count, 1, out);
    bool ok = true;
    for (const Case& c : cases)
    {
        PluginInstance plugin;
        if (!plugin.Open(pluginPath))
        {
            std::fprintf(stderr, "crosscheck: %s: %s\n", pluginPath, plugin.Error().c_str());
            ok = false;
            break;
        }
        for (const Setting& s : c.settings)
        {
            const VstInt32 index = plugin.FindParameter(s.name);
            if (index < 0)
            {
                std::fprintf(stderr, "crosscheck: no parameter \"%s\"\n", s.name);
                ok = false;
                break;
            }
            plugin.SetParameter(index, s.value);
        }
        if (!ok) break;
        plugin.Start(kSampleRate, c.blockSize);

        const std::size_t inputs = static_cast<std::size_t>(plugin.Effect()->numInputs);
        const std::size_t outputs = static_cast<std::size_t>(plugin.Effect()->numOutputs);
        std::vector<std::vector<double>> in(inputs, std::vector<double>(kFrames, 0.0));
        Signal left(1), right(2), sideLeft(3), sideRight(4);
        for (std::size_t n = 0; n < kFrames; ++n)
        {
            if (inputs > 0) in[0][n] = left.Next(n);
            if (inputs > 1) in[1][n] = 0.8 * right.Next(n + 1000);
            if (c.sidechain && inputs > 3)
            {
                in[2][n] = sideLeft.Next(n + 2000);
                in[3][n] = sideRight.Next(n + 3000);
            }
        }
        std::vector<std::vector<double>> result(outputs, std::vector<double>(kFrames, 0.0));
        std::vector<double*> inPtr(inputs), outPtr(outputs);
        for (std::size_t start = 0; start < kFrames; start += static_cast<std::size_t>(c.blockSize))
        {
            const std::size_t frames =
                std::min(kFrames - start, static_cast<std::size_t>(c.blockSize));
            for (std::size_t i = 0; i < inputs; ++i)
                inPtr[i] = in[i].data() + start;
            for (std::size_t o = 0; o < outputs; ++o)
                outPtr[o] = result[o].data() + start;
            plugin.ProcessDoubleReplacing(inPtr.data(), outPtr.data(),
                                          static_cast<VstInt32>(frames));
        }
        plugin.Close();

        const std::uint32_t labelSize = static_cast<std::uint32_t>(c.label.size());
        const std::uint32_t channels = static_cast<std::uint32_t>(outputs);
        const std::uint64_t frames = kFrames;
        std::fwrite(&labelSize, sizeof labelSize, 1, out);
        std::fwrite(c.label.data(), 1, c.label.size(), out);
        std::fwrite(&channels, sizeof channels, 1, out);
        std::fwrite(&frames, sizeof frames, 1, out);
        for (const auto& channel : result)
            std::fwrite(channel.data(), sizeof(double), channel.size(), out);
    }
    if (std::fclose(out) != 0) ok = false;
    return ok;
}

struct Rendered
{
    std::string label;
    std::vector<std::vector<double>> channels;
};

bool Load(const char* path, std::vector<Rendered>& cases)
{
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) return false;
    char magic[8] = {};
    std::uint32_t count = 0;
    bool ok = std::fread(magic, 1, 8, in) == 8 && std::memcmp(magic, kMagic, 8) == 0 &&
              std::fread(&count, sizeof count, 1, in) == 1 && count < 1000;
    for (std::uint32_t k = 0; ok && k < count; ++k)
    {
        Rendered r;
        std::uint32_t labelSize = 0, channels = 0;
        std::uint64_t frames = 0;
        ok = std::fread(&labelSize, sizeof labelSize, 1, in) == 1 && labelSize < 1000;
        if (ok)
        {
            r.label.resize(labelSize);
            ok = std::fread(&r.label[0], 1, labelSize, in) == labelSize &&
                 std::fread(&channels, sizeof channels, 1, in) == 1 &&
                 std::fread(&frames, sizeof frames, 1, in) == 1 && channels <= 64 &&
                 frames <= (1u << 24);
        }
        for (std::uint32_t ch = 0; ok && ch < channels; ++ch)
        {
            r.channels.emplace_back(static_cast<std::size_t>(frames));
            ok = std::fread(r.channels.back().data(), sizeof(double), frames, in) == frames;
        }
        if (ok) cases.push_back(std::move(r));
    }
    std::fclose(in);
    return ok;
}

int Compare(const char* aPath, const char* bPath, double tolerance)
{
    std::vector<Rendered> a, b;
    if (!Load(aPath, a) || !Load(bPath, b))
    {
        std::fprintf(stderr, "crosscheck: cannot read %s or %s as a render\n", aPath, bPath);
        return 2;
    }
    if (a.size() != b.size() || a.empty())
    {
        std::fprintf(stderr, "crosscheck: %zu cases against %zu\n", a.size(), b.size());
        return 1;
    }
    double largest = 0.0;
    std::string where;
    bool ok = true;
    for (std::size_t k = 0; k < a.size(); ++k)
    {
        if (a[k].label != b[k].label || a[k].channels.size() != b[k].channels.size())
        {
            std::fprintf(stderr, "crosscheck: case %zu differs in shape\n", k);
            return 1;
        }
        double caseLargest = 0.0, peak = 0.0;
        std::size_t differing = 0;
        for (std::size_t ch = 0; ch < a[k].channels.size(); ++ch)
        {
            const auto& x = a[k].channels[ch];
            const auto& y = b[k].channels[ch];
            if (x.size() != y.size())
            {
                std::fprintf(stderr, "crosscheck: %s: lengths differ\n", a[k].label.c_str());
                return 1;
            }
            for (std::size_t n = 0; n < x.size(); ++n)
            {
                // NaN on either side counts as an infinite difference.
                const double d = std::fabs(x[n] - y[n]);
                const double dd = d == d ? d : HUGE_VAL;
                if (dd > caseLargest) caseLargest = dd;
                if (dd != 0.0) ++differing;
                if (std::fabs(x[n]) > peak) peak = std::fabs(x[n]);
            }
        }
        std::printf("%-40s peak %.6f  largest difference %.3g  (%zu samples differ)\n",
                    a[k].label.c_str(), peak, caseLargest, differing);
        if (peak == 0.0)
        {
            std::fprintf(stderr, "crosscheck: %s: silent output\n", a[k].label.c_str());
            ok = false;
        }
        if (caseLargest > largest || where.empty())
        {
            largest = caseLargest > largest ? caseLargest : largest;
            if (caseLargest >= largest) where = a[k].label;
        }
    }
    std::printf("largest difference over all cases: %.3g (%s), tolerance %.3g\n", largest,
                where.c_str(), tolerance);
    return ok && largest <= tolerance ? 0 : 1;
}

int CompareWav(const char* aPath, const char* bPath)
{
    AudioBuffer a, b;
    std::string error;
    if (!AudioFile::Read(aPath, a, error) || !AudioFile::Read(bPath, b, error))
    {
        std::fprintf(stderr, "crosscheck: %s\n", error.c_str());
        return 2;
    }
    const RenderDifference d = CompareRenders(a, b);
    if (!d.sameShape)
    {
        std::fprintf(stderr,
                     "crosscheck: korvala-host renders differ in shape: %zu x %zu against "
                     "%zu x %zu (channels x frames)\n",
                     a.Channels(), a.Frames(), b.Channels(), b.Frames());
        return 1;
    }
    std::printf("korvala-host render, Linux against Windows: %zu samples, largest difference "
                "%.3g, %zu beyond one float rounding\n",
                d.samples, d.largest, d.beyondOneRounding);
    return d.beyondOneRounding == 0 ? 0 : 1;
}

int Usage()
{
    std::fprintf(stderr, "usage: korvala-crosscheck render PLUGIN OUT.bin\n"
                         "       korvala-crosscheck compare A.bin B.bin [TOLERANCE]\n"
                         "       korvala-crosscheck compare-wav A.wav B.wav\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "render") == 0) return Render(argv[2], argv[3]) ? 0 : 1;
    if (argc >= 4 && std::strcmp(argv[1], "compare") == 0)
        return Compare(argv[2], argv[3], argc >= 5 ? std::atof(argv[4]) : 1e-12);
    if (argc == 4 && std::strcmp(argv[1], "compare-wav") == 0) return CompareWav(argv[2], argv[3]);
    return Usage();
}
