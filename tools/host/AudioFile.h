#pragma once

#include "AudioBuffer.h"

#include <string>

// Reading and writing sound files. Reads anything libsndfile reads, as
// doubles; writes 32-bit float WAV, which keeps every single-precision
// sample exact (a pass-through render reproduces its input bit for bit), or
// 64-bit float WAV, which keeps every double exact.
class AudioFile
{
  public:
    static bool Read(const std::string& path, AudioBuffer& audio, std::string& error);
    enum class SampleFormat
    {
        Float32,
        Float64
    };
    static bool Write(const std::string& path, const AudioBuffer& audio, std::string& error,
                      SampleFormat format = SampleFormat::Float32);
};
