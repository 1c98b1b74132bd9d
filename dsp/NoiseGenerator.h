#pragma once

#include <cstdint>

// Deterministic noise of about -100 dB: a 32-bit XOR/add recurrence whose
// words start from the same constants in every instance and are never
// reseeded, so every instance produces the same sequence from its first frame.
class NoiseGenerator
{
  public:
    // 2^-31: maps the signed 32-bit word onto [-1, 1).
    static constexpr double kScale = 4.656612873077393e-10;
    static constexpr double kLevel = 1e-5;

    // The next noise value; the caller adds it to both channels.
    double Next()
    {
        const int32_t word = static_cast<int32_t>(s1);
        const uint32_t old1 = s1;
        s0 ^= old1;
        s1 = s0 + old1; // modulo 2^32
        return kScale * kLevel * static_cast<double>(word);
    }

    uint32_t s0 = 0x67452301u;
    uint32_t s1 = 0xEFCDAB89u;
};
