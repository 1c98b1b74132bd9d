#pragma once

#include <cstdint>

namespace validate
{

// A small, fast, seedable generator (SplitMix64). Every random choice of the
// validator comes from one of these, seeded from the printed run seed, so a
// run replays exactly with --seed.
class Random
{
  public:
    explicit Random(uint64_t seed) : mState(seed) {}

    uint64_t Next()
    {
        uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1), 53 bits.
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    // Uniform in [lo, hi).
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

    // Uniform integer in [lo, hi], both ends included; hi >= lo.
    int64_t Integer(int64_t lo, int64_t hi)
    {
        const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
        return lo + static_cast<int64_t>(span == 0 ? Next() : Next() % span);
    }

    bool Chance(double p) { return Uniform() < p; }

  private:
    uint64_t mState;
};

} // namespace validate
