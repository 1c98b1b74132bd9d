#include "tools/validate/Validator.h"

#include "tools/host/PluginInstance.h"
#include "tools/validate/Random.h"
#include "tools/validate/phases/PhaseSupport.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace validate
{

namespace
{

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

} // namespace

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

} // namespace validate
