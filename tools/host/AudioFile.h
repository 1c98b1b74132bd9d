#pragma once

#include "AudioBuffer.h"
#include "SampleFormat.h"

#include <cstddef>
#include <string>

// Reading and writing sound files. Reads anything libsndfile reads (the
// Windows build: WAV), as doubles; writes WAV in 32-bit float (the default,
// which keeps every single-precision sample exact, so a pass-through render
// reproduces its input bit for bit), in 64-bit float (every double exact), or
// in 16- or 24-bit PCM converted by PcmQuantiser, identically on both builds.
class AudioFile
{
  public:
    static bool Read(const std::string& path, AudioBuffer& audio, std::string& error);
    static bool Write(const std::string& path, const AudioBuffer& audio, std::string& error)
    {
        return Write(path, audio, SampleFormat::Float, error);
    }
    // clipped (optional) receives the number of PCM samples held at full scale.
    static bool Write(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                      std::string& error, std::size_t* clipped = nullptr);
};
