#include "AudioFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The Windows build's WAV reader and writer, checked against hand-made files
// and against the scaling libsndfile applies on Linux.

namespace
{

using Bytes = std::vector<std::uint8_t>;

// CTest runs each case in its own process, several at once: the case's name
// keeps their files apart.
std::string TempPath(const char* name)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(::testing::TempDir()) + "korvala_wav_" + (test ? test->name() : "") + "_" +
           name;
}

void Put(Bytes& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Tag(Bytes& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

Bytes Fmt(std::uint16_t format, int channels, std::uint32_t rate, int bits, bool extensible = false)
{
    Bytes chunk;
    Tag(chunk, "fmt ");
    Put(chunk, extensible ? 40 : 16, 4);
    Put(chunk, extensible ? 0xfffe : format, 2);
    Put(chunk, static_cast<std::uint32_t>(channels), 2);
    Put(chunk, rate, 4);
    Put(chunk, rate * static_cast<std::uint32_t>(channels * bits / 8), 4);
    Put(chunk, static_cast<std::uint32_t>(channels * bits / 8), 2);
    Put(chunk, static_cast<std::uint32_t>(bits), 2);
    if (extensible)
    {
        Put(chunk, 22, 2);
        Put(chunk, static_cast<std::uint32_t>(bits), 2);
        Put(chunk, 0, 4); // channel mask
        // Sub-format GUID: the format code, then the fixed tail.
        const std::uint8_t guid[16] = {static_cast<std::uint8_t>(format),
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0x10,
                                       0,
                                       0x80,
                                       0,
                                       0,
                                       0xaa,
                                       0,
                                       0x38,
                                       0x9b,
                                       0x71};
        chunk.insert(chunk.end(), guid, guid + 16);
    }
    return chunk;
}

Bytes Wav(const std::vector<Bytes>& chunks)
{
    Bytes body;
    Tag(body, "WAVE");
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes file;
    Tag(file, "RIFF");
    Put(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes Data(const Bytes& samples, std::uint32_t declared = 0xffffffffu)
{
    Bytes chunk;
    Tag(chunk, "data");
    Put(chunk, declared == 0xffffffffu ? static_cast<std::uint32_t>(samples.size()) : declared, 4);
    chunk.insert(chunk.end(), samples.begin(), samples.end());
    return chunk;
}

std::string Saved(const char* name, const Bytes& bytes)
{
    const std::string path = TempPath(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

AudioBuffer ReadOk(const Bytes& bytes)
{
    AudioBuffer audio;
    std::string error;
    EXPECT_TRUE(AudioFile::Read(Saved("read.wav", bytes), audio, error)) << error;
    return audio;
}

} // namespace

TEST(WavFile, FloatWriteAndReadKeepSamplesRateAndLevelsAboveFullScale)
{
    AudioBuffer audio;
    audio.sampleRate = 44100.0;
    audio.channels = {{0.0, 0.5, -1.0, 3.25}, {1e-30, -0.125, 2.0, -7.5}, {1.0, 1.0, 1.0, 1.0}};
    std::string error;
    const std::string path = TempPath("roundtrip.wav");
    ASSERT_TRUE(AudioFile::Write(path, audio, error)) << error;
    AudioBuffer back;
    ASSERT_TRUE(AudioFile::Read(path, back, error)) << error;
    EXPECT_EQ(back.sampleRate, 44100.0);
    ASSERT_EQ(back.Channels(), 3u);
    ASSERT_EQ(back.Frames(), 4u);
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(back.channels[c][i],
                      static_cast<double>(static_cast<float>(audio.channels[c][i])));
}

TEST(WavFile, WrittenHeaderIsThatOfAFloatWav)
{
    AudioBuffer audio;
    audio.sampleRate = 48000.0;
    audio.channels = {{0.25, -0.25, 0.0}, {1.0, 0.0, -1.0}};
    std::string error;
    const std::string path = TempPath("header.wav");
    ASSERT_TRUE(AudioFile::Write(path, audio, error)) << error;
    std::ifstream in(path, std::ios::binary);
    const Bytes f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le = [&](std::size_t at, int n)
    {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | f[at + i];
        return v;
    };
    ASSERT_GE(f.size(), 44u);
    EXPECT_EQ(std::memcmp(f.data(), "RIFF", 4), 0);
    EXPECT_EQ(le(4, 4), f.size() - 8);
    EXPECT_EQ(std::memcmp(f.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(le(20, 2), 3u);      // IEEE float
    EXPECT_EQ(le(22, 2), 2u);      // channels
    EXPECT_EQ(le(24, 4), 48000u);  // rate
    EXPECT_EQ(le(28, 4), 384000u); // bytes per second
    EXPECT_EQ(le(32, 2), 8u);      // block align
    EXPECT_EQ(le(34, 2), 32u);     // bits
    // fact (frame count), then data holding frames x channels floats, the
    // first being 0.25 = 0x3e800000.
    EXPECT_EQ(std::memcmp(f.data() + 36, "fact", 4), 0);
    EXPECT_EQ(le(44, 4), 3u);
    EXPECT_EQ(std::memcmp(f.data() + 48, "data", 4), 0);
    EXPECT_EQ(le(52, 4), 24u);
    EXPECT_EQ(f.size(), 56u + 24u);
    EXPECT_EQ(le(56, 4), 0x3e800000u);
}

TEST(WavFile, IntegerSamplesAreScaledAsLibsndfileScalesThem)
{
    // 8-bit is unsigned around 128.
    Bytes s8 = {0, 128, 255, 64};
    AudioBuffer a = ReadOk(Wav({Fmt(1, 1, 8000, 8), Data(s8)}));
    ASSERT_EQ(a.Frames(), 4u);
    EXPECT_EQ(a.channels[0][0], -1.0);
    EXPECT_EQ(a.channels[0][1], 0.0);
    EXPECT_EQ(a.channels[0][2], 127.0 / 128.0);
    EXPECT_EQ(a.channels[0][3], -0.5);

    // 16-bit, two channels interleaved.
    Bytes s16;
    for (std::uint32_t v : {0x8000u, 0x4000u, 0xffffu, 0x7fffu})
        Put(s16, v, 2);
    a = ReadOk(Wav({Fmt(1, 2, 22050, 16), Data(s16)}));
    EXPECT_EQ(a.sampleRate, 22050.0);
    ASSERT_EQ(a.Channels(), 2u);
    ASSERT_EQ(a.Frames(), 2u);
    EXPECT_EQ(a.channels[0][0], -1.0);
    EXPECT_EQ(a.channels[1][0], 0.5);
    EXPECT_EQ(a.channels[0][1], -1.0 / 32768.0);
    EXPECT_EQ(a.channels[1][1], 32767.0 / 32768.0);

    // 24-bit: sign from bit 23.
    Bytes s24;
    for (std::uint32_t v : {0x800000u, 0x400000u, 0xffffffu, 0x000001u})
        Put(s24, v, 3);
    a = ReadOk(Wav({Fmt(1, 1, 48000, 24), Data(s24)}));
    ASSERT_EQ(a.Frames(), 4u);
    EXPECT_EQ(a.channels[0][0], -1.0);
    EXPECT_EQ(a.channels[0][1], 0.5);
    EXPECT_EQ(a.channels[0][2], -1.0 / 8388608.0);
    EXPECT_EQ(a.channels[0][3], 1.0 / 8388608.0);

    // 32-bit integer.
    Bytes s32;
    Put(s32, 0xc0000000u, 4);
    a = ReadOk(Wav({Fmt(1, 1, 48000, 32), Data(s32)}));
    EXPECT_EQ(a.channels[0][0], -0.5);
}

TEST(WavFile, DoubleAndExtensibleFloatFilesAreRead)
{
    Bytes d;
    const double values[2] = {0.1, -12345.678};
    for (double v : values)
    {
        std::uint64_t u;
        std::memcpy(&u, &v, 8);
        Put(d, static_cast<std::uint32_t>(u), 4);
        Put(d, static_cast<std::uint32_t>(u >> 32), 4);
    }
    AudioBuffer a = ReadOk(Wav({Fmt(3, 1, 96000, 64), Data(d)}));
    ASSERT_EQ(a.Frames(), 2u);
    EXPECT_EQ(a.channels[0][0], 0.1);
    EXPECT_EQ(a.channels[0][1], -12345.678);

    Bytes f;
    Put(f, 0x3f000000u, 4); // 0.5
    Put(f, 0xbf800000u, 4); // -1
    a = ReadOk(Wav({Fmt(3, 2, 48000, 32, true), Data(f)}));
    ASSERT_EQ(a.Channels(), 2u);
    EXPECT_EQ(a.channels[0][0], 0.5);
    EXPECT_EQ(a.channels[1][0], -1.0);
}

TEST(WavFile, UnknownAndOddSizedChunksAreSkipped)
{
    Bytes odd;
    Tag(odd, "LIST");
    Put(odd, 3, 4);
    odd.insert(odd.end(), {'a', 'b', 'c', 0}); // 3 bytes and the pad byte
    Bytes s16;
    Put(s16, 0x4000u, 2);
    const AudioBuffer a = ReadOk(Wav({odd, Fmt(1, 1, 44100, 16), odd, Data(s16)}));
    ASSERT_EQ(a.Frames(), 1u);
    EXPECT_EQ(a.channels[0][0], 0.5);
}

TEST(WavFile, DataSizeBeyondTheFileIsCutToTheWholeFramesPresent)
{
    // Stream writers leave the size at its maximum; 5 bytes of 16-bit stereo
    // hold one whole frame.
    Bytes s = {0x00, 0x40, 0x00, 0xc0, 0x12};
    const AudioBuffer a = ReadOk(Wav({Fmt(1, 2, 44100, 16), Data(s, 0xfffffff0u)}));
    ASSERT_EQ(a.Frames(), 1u);
    EXPECT_EQ(a.channels[0][0], 0.5);
    EXPECT_EQ(a.channels[1][0], -0.5);
}

TEST(WavFile, FilesThatAreNotUsableWavAreRefusedWithAReason)
{
    Bytes s16;
    Put(s16, 0, 2);
    const std::vector<Bytes> bad = {
        Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '},
        Wav({Data(s16)}),                       // no fmt chunk
        Wav({Fmt(2, 1, 44100, 4), Data(s16)}),  // ADPCM
        Wav({Fmt(1, 1, 44100, 12), Data(s16)}), // 12-bit PCM
        Wav({Fmt(3, 1, 44100, 16), Data(s16)}), // 16-bit float
        Wav({Fmt(1, 0, 44100, 16), Data(s16)}), // no channels
        Wav({Fmt(1, 1, 0, 16), Data(s16)}),     // no rate
        Wav({Fmt(1, 1, 44100, 16)}),            // no data chunk
    };
    for (std::size_t k = 0; k < bad.size(); ++k)
    {
        AudioBuffer audio;
        std::string error;
        EXPECT_FALSE(AudioFile::Read(Saved("bad.wav", bad[k]), audio, error)) << k;
        EXPECT_FALSE(error.empty()) << k;
    }
    // A fmt chunk claiming more bytes than the file holds.
    Bytes cut = Wav({Fmt(1, 1, 44100, 16)});
    cut[16] = 0xff;
    AudioBuffer audio;
    std::string error;
    EXPECT_FALSE(AudioFile::Read(Saved("cut.wav", cut), audio, error));
    EXPECT_FALSE(AudioFile::Read(TempPath("does-not-exist.wav"), audio, error));
    EXPECT_FALSE(error.empty());
    AudioBuffer empty;
    EXPECT_FALSE(AudioFile::Write(TempPath("empty.wav"), empty, error));
}

TEST(WavFile, PcmFilesAreWrittenWithAPlainPcmHeaderAndTheSharedCodes)
{
    AudioBuffer audio;
    audio.sampleRate = 32000.0;
    audio.channels = {{0.5, -1.0, 2.0}};
    std::string error;
    const std::string path = TempPath("pcm24.wav");
    std::size_t clipped = 0;
    ASSERT_TRUE(AudioFile::Write(path, audio, SampleFormat::Pcm24, error, &clipped)) << error;
    EXPECT_EQ(clipped, 1u);
    std::ifstream in(path, std::ios::binary);
    const Bytes f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(f.size(), 44u + 9u);
    auto le = [&](std::size_t at, int n)
    {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | f[at + i];
        return v;
    };
    EXPECT_EQ(le(4, 4), f.size() - 8);
    EXPECT_EQ(le(20, 2), 1u);      // PCM
    EXPECT_EQ(le(22, 2), 1u);      // channels
    EXPECT_EQ(le(24, 4), 32000u);  // rate
    EXPECT_EQ(le(28, 4), 96000u);  // bytes per second
    EXPECT_EQ(le(32, 2), 3u);      // block align
    EXPECT_EQ(le(34, 2), 24u);     // bits
    EXPECT_EQ(std::memcmp(f.data() + 36, "data", 4), 0);
    EXPECT_EQ(le(40, 4), 9u);
    EXPECT_EQ(le(44, 3), 0x400000u); // 0.5
    EXPECT_EQ(le(47, 3), 0x800000u); // -1.0
    EXPECT_EQ(le(50, 3), 0x7fffffu); // 2.0, clipped
}

TEST(WavFile, TwentyFourBitRoundTripIsExactForSamplesOnTheGrid)
{
    AudioBuffer audio;
    audio.sampleRate = 96000.0;
    audio.channels.assign(2, std::vector<double>(1000));
    std::uint32_t x = 12345;
    for (auto& channel : audio.channels)
        for (double& v : channel)
        {
            x = x * 1664525u + 1013904223u;
            v = static_cast<std::int32_t>(x >> 8 & 0xffffff) - 8388608;
            v /= 8388608.0;
        }
    std::string error;
    const std::string path = TempPath("exact24.wav");
    ASSERT_TRUE(AudioFile::Write(path, audio, SampleFormat::Pcm24, error)) << error;
    AudioBuffer back;
    ASSERT_TRUE(AudioFile::Read(path, back, error)) << error;
    EXPECT_EQ(back.sampleRate, 96000.0);
    ASSERT_EQ(back.Channels(), 2u);
    EXPECT_EQ(back.channels, audio.channels);
}

TEST(WavFile, SixteenBitFilesHoldTheDitheredSignalWithinOneAndAHalfSteps)
{
    AudioBuffer audio;
    audio.sampleRate = 44100.0;
    audio.channels.assign(2, std::vector<double>(5000));
    for (std::size_t i = 0; i < 5000; ++i)
    {
        audio.channels[0][i] = 0.6 * std::sin(0.01 * static_cast<double>(i));
        audio.channels[1][i] = 1e-5; // a third of a step: dither keeps it audible
    }
    std::string error;
    const std::string path = TempPath("dither16.wav");
    ASSERT_TRUE(AudioFile::Write(path, audio, SampleFormat::Pcm16, error)) << error;
    AudioBuffer back;
    ASSERT_TRUE(AudioFile::Read(path, back, error)) << error;
    ASSERT_EQ(back.Frames(), 5000u);
    double sumRight = 0.0;
    for (std::size_t i = 0; i < 5000; ++i)
    {
        ASSERT_LE(std::fabs(back.channels[0][i] - audio.channels[0][i]) * 32768.0, 1.5);
        sumRight += back.channels[1][i];
    }
    // The mean survives quantisation: 1e-5 is 0.33 steps.
    EXPECT_NEAR(sumRight / 5000.0 * 32768.0, 1e-5 * 32768.0, 0.05);
}
