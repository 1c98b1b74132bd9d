// AudioFile for the Windows build of our host, where libsndfile is not
// available: RIFF WAVE files only. Reads PCM (8, 16, 24, 32 bits) and IEEE
// float (32, 64 bits), plain or WAVE_FORMAT_EXTENSIBLE, scaled as libsndfile
// scales them (integers divided by 2^(bits-1)), so that both builds of the
// host see the same samples; writes 32- or 64-bit float or 16/24-bit PCM WAV
// with the same conversion as the Linux build.

#include "AudioFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xfffe;

std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void Put32(std::vector<unsigned char>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void Put16(std::vector<unsigned char>& out, std::uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

bool ReadWhole(const std::string& path, std::vector<unsigned char>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// One sample at p, as libsndfile's double reading gives it.
double Sample(const unsigned char* p, std::uint16_t format, int bits)
{
    if (format == kFormatFloat)
    {
        if (bits == 32)
        {
            const std::uint32_t u = Le32(p);
            float f;
            std::memcpy(&f, &u, 4);
            return f;
        }
        const std::uint64_t u =
            static_cast<std::uint64_t>(Le32(p)) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
        double d;
        std::memcpy(&d, &u, 8);
        return d;
    }
    switch (bits)
    {
    case 8: // unsigned, 128 = silence
        return (static_cast<int>(p[0]) - 128) / 128.0;
    case 16:
        return static_cast<std::int16_t>(Le16(p)) / 32768.0;
    case 24:
    {
        // Sign-extend from bit 23 by placing the sample in the top 24 bits.
        const std::uint32_t u = static_cast<std::uint32_t>(p[0]) << 8 |
                                static_cast<std::uint32_t>(p[1]) << 16 |
                                static_cast<std::uint32_t>(p[2]) << 24;
        return static_cast<std::int32_t>(u) / 2147483648.0;
    }
    default:
        return static_cast<std::int32_t>(Le32(p)) / 2147483648.0;
    }
}

} // namespace

bool AudioFile::Read(const std::string& path, AudioBuffer& audio, std::string& error)
{
    std::vector<unsigned char> bytes;
    if (!ReadWhole(path, bytes))
    {
        error = path + ": cannot read the file";
        return false;
    }
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    {
        error = path + ": not a RIFF WAVE file (the Windows build reads WAV only)";
        return false;
    }
    std::uint16_t format = 0;
    int channels = 0;
    int bits = 0;
    std::uint32_t rate = 0;
    const unsigned char* data = nullptr;
    std::size_t dataSize = 0;
    // Chunks are walked with every size checked against what is left; a data
    // chunk whose size runs past the end (as some writers leave it for
    // streams) is cut to the bytes present.
    std::size_t at = 12;
    while (bytes.size() - at >= 8)
    {
        const unsigned char* chunk = bytes.data() + at;
        const std::size_t left = bytes.size() - at - 8;
        std::size_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0)
        {
            if (size < 16 || size > left) break;
            format = Le16(chunk + 8);
            channels = Le16(chunk + 10);
            rate = Le32(chunk + 12);
            bits = Le16(chunk + 22);
            // The extensible format names the real one in its sub-format GUID.
            if (format == kFormatExtensible && size >= 40) format = Le16(chunk + 8 + 24);
        }
        else if (std::memcmp(chunk, "data", 4) == 0)
        {
            data = chunk + 8;
            dataSize = size < left ? size : left;
        }
        if (size >= left) break;
        at += 8 + size + (size & 1);
    }
    const bool pcm = format == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool flt = format == kFormatFloat && (bits == 32 || bits == 64);
    if (!pcm && !flt)
    {
        error = path + ": unsupported WAV encoding (PCM 8-32 bit or float 32/64 bit only)";
        return false;
    }
    if (channels <= 0 || rate == 0 || data == nullptr)
    {
        error = path + ": no audio channels";
        return false;
    }
    const std::size_t width = static_cast<std::size_t>(bits / 8);
    const std::size_t frameBytes = width * static_cast<std::size_t>(channels);
    const std::size_t frames = dataSize / frameBytes;
    audio.sampleRate = rate;
    audio.channels.assign(static_cast<std::size_t>(channels), std::vector<double>(frames));
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c)
            audio.channels[c][i] = Sample(data + i * frameBytes + c * width, format, bits);
    return true;
}

bool AudioFile::Write(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                      std::string& error, std::size_t* clipped)
{
    if (audio.Channels() == 0)
    {
        error = path + ": nothing to write";
        return false;
    }
    const std::size_t channels = audio.Channels();
    const std::size_t frames = audio.Frames();
    const bool isFloat = format == SampleFormat::Float || format == SampleFormat::Double;
    const std::size_t width = static_cast<std::size_t>(SampleFormatBits(format) / 8);
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(frames) * channels * width;
    if (channels > 0xffff || dataBytes > 0xffffffffu - 64)
    {
        error = path + ": too large for a WAV file";
        return false;
    }
    std::vector<unsigned char> out;
    out.reserve(static_cast<std::size_t>(dataBytes) + 64);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    // Float WAV files carry the frame count in a fact chunk; PCM ones do not.
    const std::uint32_t factBytes = isFloat ? 12 : 0;
    Put32(out, static_cast<std::uint32_t>(4 + 8 + 16 + factBytes + 8 + dataBytes));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, isFloat ? kFormatFloat : kFormatPcm);
    Put16(out, static_cast<std::uint16_t>(channels));
    const auto rate = static_cast<std::uint32_t>(std::lround(audio.sampleRate));
    Put32(out, rate);
    Put32(out, static_cast<std::uint32_t>(rate * channels * width));
    Put16(out, static_cast<std::uint16_t>(channels * width));
    Put16(out, static_cast<std::uint16_t>(8 * width));
    if (isFloat)
    {
        // Float WAV files carry the frame count in a fact chunk.
        out.insert(out.end(), {'f', 'a', 'c', 't'});
        Put32(out, 4);
        Put32(out, static_cast<std::uint32_t>(frames));
    }
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, static_cast<std::uint32_t>(dataBytes));
    if (isFloat)
    {
        // Float samples go out as they are, without clipping, as on Linux.
        for (std::size_t i = 0; i < frames; ++i)
            for (std::size_t c = 0; c < channels; ++c)
            {
                if (width == 8)
                {
                    std::uint64_t u;
                    std::memcpy(&u, &audio.channels[c][i], 8);
                    Put32(out, static_cast<std::uint32_t>(u));
                    Put32(out, static_cast<std::uint32_t>(u >> 32));
                }
                else
                {
                    const float f = static_cast<float>(audio.channels[c][i]);
                    std::uint32_t u;
                    std::memcpy(&u, &f, 4);
                    Put32(out, u);
                }
            }
        if (clipped != nullptr) *clipped = 0;
    }
    else
    {
        // The conversion the Linux build uses too, so both write the same codes.
        PcmQuantiser quantiser(format);
        for (std::int32_t code : quantiser.QuantiseInterleaved(audio))
        {
            const auto u = static_cast<std::uint32_t>(code);
            for (std::size_t b = 0; b < width; ++b)
                out.push_back(static_cast<unsigned char>(u >> (8 * b)));
        }
        if (clipped != nullptr) *clipped = quantiser.Clipped();
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        error = path + ": cannot create the file";
        return false;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
    {
        error = path + ": write failed";
        return false;
    }
    return true;
}
