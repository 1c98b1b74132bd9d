#pragma once

#include "AudioBuffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How korvala-host stores rendered samples: 32-bit float (the default: every
// single-precision sample exact, levels above full scale kept), 64-bit float
// (every double exact: double-precision renders compared to the last bit),
// or integer PCM of 16 or 24 bits at libsndfile's scale (full scale =
// 2^(bits-1)).
enum class SampleFormat
{
    Float,
    Double,
    Pcm16,
    Pcm24,
};

// "float", "double", "pcm16" or "pcm24"; false for anything else.
bool ParseSampleFormat(const std::string& text, SampleFormat& format);
const char* SampleFormatName(SampleFormat format);
// 16 or 24 for the PCM formats, 32 for float, 64 for double.
int SampleFormatBits(SampleFormat format);

// Turns double samples into PCM integers of 16 or 24 bits.
//
// 24 bits: rounded to the nearest step, no dither, so a sample that already
// lies on the 24-bit grid (a 24-bit or 16-bit source passed through
// unchanged) comes out exactly.
//
// 16 bits: TPDF dither before rounding: the sum of two independent uniform
// values of -1/2..1/2 LSB each (a triangular density over +-1 LSB). The
// error Q(x + d) - x then has mean 0 and variance 1/12 + 1/6 = 1/4 LSB^2
// whatever the signal, and never exceeds 1.5 LSB. The generator is a 32-bit
// xorshift with a fixed seed, restarted for every file, so a render is the
// same each time and batch renders equal single ones.
//
// Both formats clip at full scale (-2^(bits-1) .. 2^(bits-1) - 1) and count
// the samples clipped.
class PcmQuantiser
{
  public:
    explicit PcmQuantiser(SampleFormat format);

    // One sample in -1..1 full scale to the integer code.
    std::int32_t Quantise(double sample);
    // A whole buffer, frame by frame (channels interleaved), as a file holds it.
    std::vector<std::int32_t> QuantiseInterleaved(const AudioBuffer& audio);

    std::size_t Clipped() const { return clipped_; }
    double FullScale() const { return fullScale_; }

    static constexpr std::uint32_t kSeed = 0x2545f491u;

  private:
    // Uniform in [-1/2, 1/2) LSB from the top 24 bits of the generator.
    double Uniform();

    bool dither_;
    double fullScale_;
    double lowest_, highest_;
    std::uint32_t state_ = kSeed;
    std::size_t clipped_ = 0;
};
