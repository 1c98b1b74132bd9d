#include "SampleFormat.h"

#include <cmath>

bool ParseSampleFormat(const std::string& text, SampleFormat& format)
{
    if (text == "float")
        format = SampleFormat::Float;
    else if (text == "double")
        format = SampleFormat::Double;
    else if (text == "pcm16")
        format = SampleFormat::Pcm16;
    else if (text == "pcm24")
        format = SampleFormat::Pcm24;
    else
        return false;
    return true;
}

const char* SampleFormatName(SampleFormat format)
{
    switch (format)
    {
    case SampleFormat::Pcm16:
        return "16-bit PCM, TPDF dither";
    case SampleFormat::Pcm24:
        return "24-bit PCM";
    case SampleFormat::Double:
        return "64-bit float";
    case SampleFormat::Float:
        break;
    }
    return "32-bit float";
}

int SampleFormatBits(SampleFormat format)
{
    switch (format)
    {
    case SampleFormat::Pcm16:
        return 16;
    case SampleFormat::Pcm24:
        return 24;
    case SampleFormat::Double:
        return 64;
    case SampleFormat::Float:
        break;
    }
    return 32;
}

PcmQuantiser::PcmQuantiser(SampleFormat format)
    : dither_(format == SampleFormat::Pcm16),
      fullScale_(format == SampleFormat::Pcm16 ? 32768.0 : 8388608.0), lowest_(-fullScale_),
      highest_(fullScale_ - 1.0)
{
}

double PcmQuantiser::Uniform()
{
    // xorshift32 (Marsaglia 13, 17, 5): full period over the non-zero words.
    std::uint32_t x = state_;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state_ = x;
    return static_cast<double>(x >> 8) * (1.0 / 16777216.0) - 0.5;
}

std::int32_t PcmQuantiser::Quantise(double sample)
{
    double code = sample * fullScale_;
    if (dither_)
    {
        // Two draws per sample in a fixed order, also for samples that clip,
        // so that the dither sequence does not depend on the signal.
        const double d1 = Uniform();
        const double d2 = Uniform();
        code += d1 + d2;
    }
    code = std::floor(code + 0.5);
    if (!(code >= lowest_)) // also NaN
    {
        ++clipped_;
        code = std::isnan(code) ? 0.0 : lowest_;
    }
    else if (code > highest_)
    {
        ++clipped_;
        code = highest_;
    }
    return static_cast<std::int32_t>(code);
}

std::vector<std::int32_t> PcmQuantiser::QuantiseInterleaved(const AudioBuffer& audio)
{
    const std::size_t channels = audio.Channels();
    const std::size_t frames = audio.Frames();
    std::vector<std::int32_t> codes(frames * channels);
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels; ++c)
            codes[i * channels + c] = Quantise(audio.channels[c][i]);
    return codes;
}
