#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeatSeconds = 0.5; // 120 BPM
constexpr double kMix = 0.57;

// Uniform noise in -1..1 from a 32-bit linear congruential generator.
class Noise
{
  public:
    double Next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

  private:
    uint32_t state_ = 22222u;
};

double MidiToHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

} // namespace

AudioBuffer DemoSignal::Generate(double sampleRate, double seconds)
{
    AudioBuffer audio;
    audio.sampleRate = sampleRate;
    const auto frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    audio.channels.assign(2, std::vector<double>(frames, 0.0));
    Noise noise;

    // Bass line: one note per beat, two bars repeating (A, A, C, D / E, E, G, D).
    const int bassNotes[8] = {33, 33, 36, 38, 40, 40, 43, 38};
    // Sustained chord (A minor), fading in over the first bar.
    const int chordNotes[3] = {57, 60, 64};

    double hatLow = 0.0;
    for (size_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / sampleRate;
        const double beat = t / kBeatSeconds;
        const auto beatIndex = static_cast<long>(beat);
        const double inBeat = (beat - static_cast<double>(beatIndex)) * kBeatSeconds; // s
        const double inHalf = std::fmod(t, kBeatSeconds / 2.0);

        // Kick on beats 1 and 3: a sine swept down from 150 Hz to 50 Hz.
        double kick = 0.0;
        if (beatIndex % 2 == 0)
        {
            double phase =
                2.0 * kPi * (50.0 * inBeat + 100.0 * 0.03 * (1.0 - std::exp(-inBeat / 0.03)));
            kick = 0.9 * std::exp(-inBeat / 0.12) * std::sin(phase);
        }
        // Snare on beats 2 and 4: a noise burst over a short 190 Hz body.
        const double white = noise.Next();
        double snare = 0.0;
        if (beatIndex % 2 == 1)
            snare = std::exp(-inBeat / 0.06) *
                    (0.45 * white + 0.3 * std::sin(2.0 * kPi * 190.0 * inBeat));
        // Hi-hat on every eighth note: high-passed noise, very short.
        hatLow += 0.5 * (white - hatLow);
        const double hat = 0.18 * std::exp(-inHalf / 0.015) * (white - hatLow);

        // Bass: a softened square wave whose envelope dips before each note.
        const double bassHz = MidiToHz(bassNotes[beatIndex % 8]);
        const double bassEnv = std::exp(-inBeat / 0.35) * (1.0 - std::exp(-inBeat / 0.004));
        const double bass = 0.35 * bassEnv * std::tanh(3.0 * std::sin(2.0 * kPi * bassHz * t));

        // Chord: three sines with a slow swell.
        double chord = 0.0;
        for (int note : chordNotes)
            chord += std::sin(2.0 * kPi * MidiToHz(note) * t);
        const double swell = std::min(1.0, t / 2.0) * (0.8 + 0.2 * std::sin(2.0 * kPi * 0.25 * t));
        chord *= 0.05 * swell;

        // A little stereo width: snare and hat lean left and right, the chord
        // is spread by detuning its gain between the sides.
        // The mix peaks near -3 dBFS, leaving headroom for make-up gain.
        audio.channels[0][i] = kMix * (kick + 0.9 * snare + 1.1 * hat + bass + chord * 1.1);
        audio.channels[1][i] = kMix * (kick + 1.1 * snare + 0.9 * hat + bass + chord * 0.9);
    }
    return audio;
}
