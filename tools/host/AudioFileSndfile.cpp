#include "AudioFile.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>

bool AudioFile::Read(const std::string& path, AudioBuffer& audio, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels <= 0 || info.frames < 0)
    {
        sf_close(file);
        error = path + ": no audio channels";
        return false;
    }
    const auto channels = static_cast<size_t>(info.channels);
    const auto frames = static_cast<size_t>(info.frames);
    std::vector<double> interleaved(frames * channels);
    sf_count_t got = sf_readf_double(file, interleaved.data(), info.frames);
    sf_close(file);
    if (got < 0) got = 0;

    audio.sampleRate = info.samplerate;
    audio.channels.assign(channels, std::vector<double>(static_cast<size_t>(got)));
    for (size_t i = 0; i < static_cast<size_t>(got); ++i)
        for (size_t c = 0; c < channels; ++c)
            audio.channels[c][i] = interleaved[i * channels + c];
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
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
    info.channels = static_cast<int>(audio.Channels());
    info.format = SF_FORMAT_WAV | (format == SampleFormat::Pcm16    ? SF_FORMAT_PCM_16
                                   : format == SampleFormat::Pcm24  ? SF_FORMAT_PCM_24
                                   : format == SampleFormat::Double ? SF_FORMAT_DOUBLE
                                                                    : SF_FORMAT_FLOAT);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
    {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const size_t channels = audio.Channels();
    const size_t frames = audio.Frames();
    // Float samples go out as they are, without clipping, so that levels
    // above full scale survive for inspection.
    sf_count_t written = 0;
    if (format == SampleFormat::Double)
    {
        std::vector<double> interleaved(frames * channels);
        for (size_t i = 0; i < frames; ++i)
            for (size_t c = 0; c < channels; ++c)
                interleaved[i * channels + c] = audio.channels[c][i];
        written = sf_writef_double(file, interleaved.data(), static_cast<sf_count_t>(frames));
        if (clipped != nullptr) *clipped = 0;
    }
    else if (format == SampleFormat::Float)
    {
        std::vector<float> interleaved(frames * channels);
        for (size_t i = 0; i < frames; ++i)
            for (size_t c = 0; c < channels; ++c)
                interleaved[i * channels + c] = static_cast<float>(audio.channels[c][i]);
        written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
        if (clipped != nullptr) *clipped = 0;
    }
    else
    {
        // Our own conversion (the Windows writer shares it); libsndfile takes
        // integers at 32-bit scale and drops the low bits, which are zero.
        PcmQuantiser quantiser(format);
        std::vector<std::int32_t> codes = quantiser.QuantiseInterleaved(audio);
        const int shift = 32 - SampleFormatBits(format);
        std::vector<int> wide(codes.size());
        for (size_t i = 0; i < codes.size(); ++i)
            wide[i] = static_cast<int>(static_cast<std::uint32_t>(codes[i]) << shift);
        written = sf_writef_int(file, wide.data(), static_cast<sf_count_t>(frames));
        if (clipped != nullptr) *clipped = quantiser.Clipped();
    }
    int closed = sf_close(file);
    if (written != static_cast<sf_count_t>(frames) || closed != 0)
    {
        error = path + ": write failed";
        return false;
    }
    return true;
}
