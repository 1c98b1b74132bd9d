#include "tools/validate/AudioBuffers.h"

#include "tools/host/AudioBuffer.h"
#include "tools/host/PluginInstance.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace validate
{

namespace
{

// Quiet NaNs with a payload that arithmetic does not produce (computed NaNs
// carry the default payload), so an unwritten sample is recognisable.
constexpr uint64_t kDoubleMarker = 0x7FF8DEADBEEF0001ull;
constexpr uint32_t kFloatMarker = 0x7FC0DEADu;

double DoubleMarker()
{
    double d;
    std::memcpy(&d, &kDoubleMarker, sizeof d);
    return d;
}

float FloatMarker()
{
    float f;
    std::memcpy(&f, &kFloatMarker, sizeof f);
    return f;
}

bool IsDoubleMarker(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits == kDoubleMarker;
}

bool IsFloatMarker(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits == kFloatMarker;
}

} // namespace

const char* PrecisionName(Precision precision)
{
    switch (precision)
    {
    case Precision::Float:
        return "float";
    case Precision::Double:
        return "double";
    case Precision::Accumulate:
        return "accumulating";
    }
    return "?";
}

void AudioBuffers::Allocate(int inputs, int outputs, int frames)
{
    mCapacity = frames > 0 ? frames : 1;
    const size_t cap = static_cast<size_t>(mCapacity);
    mInDouble.assign(static_cast<size_t>(inputs), std::vector<double>(cap, 0.0));
    mOutDouble.assign(static_cast<size_t>(outputs), std::vector<double>(cap, 0.0));
    mInFloat.assign(static_cast<size_t>(inputs), std::vector<float>(cap, 0.0f));
    mOutFloat.assign(static_cast<size_t>(outputs), std::vector<float>(cap, 0.0f));
    mInDoublePtr = ChannelPointers(mInDouble);
    mOutDoublePtr = ChannelPointers(mOutDouble);
    mInFloatPtr = ChannelPointers(mInFloat);
    mOutFloatPtr = ChannelPointers(mOutFloat);
    mSpare.assign(cap, 0.0);
    mGenerated.clear();
    for (int c = 0; c < 4; ++c)
        mGenerated.push_back(c < inputs ? mInDouble[static_cast<size_t>(c)].data() : mSpare.data());
}

void AudioBuffers::Generate(SignalGenerator& generator, int n)
{
    generator.Fill(mGenerated.data(), n);
    for (size_t c = 4; c < mInDouble.size(); ++c)
        std::fill(mInDouble[c].begin(), mInDouble[c].begin() + n, 0.0);
    for (size_t c = 0; c < mInDouble.size(); ++c)
        for (int i = 0; i < n; ++i)
            mInFloat[c][static_cast<size_t>(i)] =
                static_cast<float>(mInDouble[c][static_cast<size_t>(i)]);
}

void AudioBuffers::SetInput(int channel, int frame, double value)
{
    if (channel < 0 || channel >= Inputs() || frame < 0 || frame >= mCapacity) return;
    mInDouble[static_cast<size_t>(channel)][static_cast<size_t>(frame)] = value;
    mInFloat[static_cast<size_t>(channel)][static_cast<size_t>(frame)] = static_cast<float>(value);
}

void AudioBuffers::Silence(int firstChannel, int n)
{
    for (int c = firstChannel < 0 ? 0 : firstChannel; c < Inputs(); ++c)
        for (int i = 0; i < n; ++i)
            SetInput(c, i, 0.0);
}

void AudioBuffers::MarkOutputs(Precision precision, int n)
{
    for (size_t c = 0; c < mOutDouble.size(); ++c)
    {
        for (int i = 0; i < n; ++i)
        {
            const size_t k = static_cast<size_t>(i);
            if (precision == Precision::Double)
                mOutDouble[c][k] = DoubleMarker();
            else
                mOutFloat[c][k] = precision == Precision::Float ? FloatMarker() : 0.0f;
        }
    }
}

OutputScan AudioBuffers::Scan(Precision precision, int n) const
{
    OutputScan scan;
    for (size_t c = 0; c < mOutDouble.size(); ++c)
    {
        for (int i = 0; i < n; ++i)
        {
            const size_t k = static_cast<size_t>(i);
            bool unwritten, nonFinite, subnormal;
            double v;
            if (precision == Precision::Double)
            {
                v = mOutDouble[c][k];
                unwritten = IsDoubleMarker(v);
                nonFinite = !std::isfinite(v);
                subnormal = std::fpclassify(v) == FP_SUBNORMAL;
            }
            else
            {
                const float f = mOutFloat[c][k];
                v = f;
                unwritten = precision == Precision::Float && IsFloatMarker(f);
                nonFinite = !std::isfinite(f);
                subnormal = std::fpclassify(f) == FP_SUBNORMAL;
            }
            if (unwritten)
                ++scan.unwritten;
            else if (nonFinite)
                ++scan.nonFinite;
            else if (subnormal)
                ++scan.subnormal;
            else if (std::fabs(v) > scan.peak)
                scan.peak = std::fabs(v);
            if ((unwritten || nonFinite || subnormal) && scan.channel < 0)
            {
                scan.channel = static_cast<int>(c);
                scan.frame = i;
                scan.value = v;
            }
        }
    }
    return scan;
}

double AudioBuffers::InputPeak(int n) const
{
    double peak = 0.0;
    for (size_t c = 0; c < mInDouble.size() && c < 2; ++c)
        for (int i = 0; i < n; ++i)
            peak = std::fmax(peak, std::fabs(mInDouble[c][static_cast<size_t>(i)]));
    return peak;
}

void AudioBuffers::Process(PluginInstance& instance, Precision precision, int n)
{
    switch (precision)
    {
    case Precision::Float:
        instance.ProcessReplacing(mInFloatPtr.data(), mOutFloatPtr.data(), n);
        break;
    case Precision::Double:
        instance.ProcessDoubleReplacing(mInDoublePtr.data(), mOutDoublePtr.data(), n);
        break;
    case Precision::Accumulate:
        instance.ProcessAccumulating(mInFloatPtr.data(), mOutFloatPtr.data(), n);
        break;
    }
}

double AudioBuffers::Output(Precision precision, int channel, int frame) const
{
    const size_t c = static_cast<size_t>(channel), k = static_cast<size_t>(frame);
    return precision == Precision::Double ? mOutDouble[c][k] : static_cast<double>(mOutFloat[c][k]);
}

} // namespace validate
