#include "TestMaterial.h"

#include "DemoSignal.h"

#include <cmath>
#include <cstdint>

namespace
{

constexpr double kPi = 3.14159265358979323846;

class Noise
{
  public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    // Uniform in -1..1.
    double Next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

  private:
    uint32_t state_;
};

// A two-pole resonator (band-pass at hz with bandwidth bw Hz), unity gain at
// its centre.
class Resonator
{
  public:
    Resonator(double hz, double bw, double rate)
    {
        r_ = std::exp(-kPi * bw / rate);
        c1_ = 2.0 * r_ * std::cos(2.0 * kPi * hz / rate);
        c2_ = -r_ * r_;
        g_ = 1.0 - r_;
    }
    double Run(double x)
    {
        const double y = g_ * x + c1_ * y1_ + c2_ * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    double r_, c1_, c2_, g_, y1_ = 0.0, y2_ = 0.0;
};

double DbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}

AudioBuffer Empty(double rate, double seconds)
{
    AudioBuffer audio;
    audio.sampleRate = rate;
    audio.channels.assign(
        2, std::vector<double>(static_cast<size_t>(std::llround(rate * seconds)), 0.0));
    return audio;
}

void Normalise(AudioBuffer& audio, double peakDb)
{
    double peak = 0.0;
    for (const auto& c : audio.channels)
        for (double v : c)
            peak = std::max(peak, std::fabs(v));
    if (peak <= 0.0) return;
    const double g = DbToGain(peakDb) / peak;
    for (auto& c : audio.channels)
        for (double& v : c)
            v *= g;
}

AudioBuffer Vocal(double rate, double seconds)
{
    AudioBuffer audio = Empty(rate, seconds);
    Noise noise(7u);
    Resonator f1(700.0, 90.0, rate), f2(1200.0, 110.0, rate), f3(2600.0, 160.0, rate);
    double phase = 0.0;
    const double syllable = 0.26; // s
    for (size_t i = 0; i < audio.Frames(); ++i)
    {
        const double t = static_cast<double>(i) / rate;
        // Melody around 200 Hz with a 5.5 Hz vibrato.
        const double pitch = 200.0 * std::pow(2.0, std::sin(2.0 * kPi * 0.3 * t) * 0.25) *
                             (1.0 + 0.01 * std::sin(2.0 * kPi * 5.5 * t));
        phase += pitch / rate;
        phase -= std::floor(phase);
        const double source = 2.0 * phase - 1.0 + 0.05 * noise.Next(); // sawtooth-like glottal
        // Syllables: a quick rise and a slower fall, with a short gap.
        const double s = std::fmod(t, syllable);
        const double env =
            (1.0 - std::exp(-s / 0.015)) * std::exp(-s / 0.18) * (s < syllable - 0.02 ? 1.0 : 0.0);
        // Phrases of two seconds alternate loud and soft, 10 dB apart, and
        // each syllable's level varies by a few dB.
        const auto phrase = static_cast<long>(t / 2.0);
        const auto index = static_cast<long>(t / syllable);
        const double level = DbToGain((phrase % 2 == 0 ? 0.0 : -10.0) +
                                      3.0 * std::sin(1.7 * static_cast<double>(index)));
        const double voice =
            (f1.Run(source) + 0.7 * f2.Run(source) + 0.4 * f3.Run(source)) * env * level;
        audio.channels[0][i] = voice;
        audio.channels[1][i] = voice;
    }
    Normalise(audio, -3.0);
    return audio;
}

AudioBuffer Drums(double rate, double seconds)
{
    AudioBuffer audio = Empty(rate, seconds);
    Noise noise(99u);
    double hatLow = 0.0;
    const double sixteenth = 0.125;
    for (size_t i = 0; i < audio.Frames(); ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const auto step = static_cast<long>(t / sixteenth);
        const double in = t - static_cast<double>(step) * sixteenth;
        const long beatStep = step % 16;
        // Velocities vary from bar to bar.
        const double velocity = 0.75 + 0.25 * std::sin(0.9 * static_cast<double>(step / 4));
        double kick = 0.0, snare = 0.0;
        if (beatStep == 0 || beatStep == 8 || beatStep == 10)
        {
            const double ph =
                2.0 * kPi * (45.0 * in + 110.0 * 0.025 * (1.0 - std::exp(-in / 0.025)));
            kick = velocity * std::exp(-in / 0.15) * std::sin(ph);
        }
        const double white = noise.Next();
        if (beatStep == 4 || beatStep == 12)
            snare = velocity * std::exp(-in / 0.07) *
                    (0.6 * white + 0.4 * std::sin(2.0 * kPi * 185.0 * in));
        hatLow += 0.5 * (white - hatLow);
        const double hat = (step % 2 == 0 ? 0.25 : 0.12) * std::exp(-in / 0.02) * (white - hatLow);
        audio.channels[0][i] = kick + 0.9 * snare + 1.2 * hat;
        audio.channels[1][i] = kick + 1.1 * snare + 0.8 * hat;
    }
    Normalise(audio, -1.0);
    return audio;
}

AudioBuffer Bass(double rate, double seconds)
{
    AudioBuffer audio = Empty(rate, seconds);
    const int notes[8] = {28, 28, 31, 33, 35, 33, 31, 26};
    const double noteSeconds = 0.25;
    double phase = 0.0;
    for (size_t i = 0; i < audio.Frames(); ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const auto index = static_cast<long>(t / noteSeconds);
        const double in = t - static_cast<double>(index) * noteSeconds;
        const double hz = 440.0 * std::pow(2.0, (notes[index % 8] - 69) / 12.0);
        phase += hz / rate;
        phase -= std::floor(phase);
        // A pluck: fast attack, a bright start that darkens, 8 dB of
        // velocity variation from note to note.
        const double env = (1.0 - std::exp(-in / 0.003)) * std::exp(-in / 0.4);
        const double bright = std::exp(-in / 0.08);
        const double tone =
            std::sin(2.0 * kPi * phase) +
            bright * (0.5 * std::sin(4.0 * kPi * phase) + 0.25 * std::sin(6.0 * kPi * phase));
        const double level =
            DbToGain(-8.0 * (0.5 + 0.5 * std::sin(2.3 * static_cast<double>(index))));
        audio.channels[0][i] = audio.channels[1][i] = tone * env * level;
    }
    Normalise(audio, -2.0);
    return audio;
}

} // namespace

bool TestMaterial::Generate(const std::string& kind, double sampleRate, double seconds,
                            AudioBuffer& out)
{
    if (kind == "vocal")
        out = Vocal(sampleRate, seconds);
    else if (kind == "drums")
        out = Drums(sampleRate, seconds);
    else if (kind == "bass")
        out = Bass(sampleRate, seconds);
    else if (kind == "mix")
        out = DemoSignal::Generate(sampleRate, seconds);
    else
        return false;
    return true;
}

AudioBuffer TestMaterial::ToneSteps(double sampleRate, double lowDb, double highDb)
{
    AudioBuffer audio = Empty(sampleRate, 4.0);
    for (size_t i = 0; i < audio.Frames(); ++i)
    {
        const double t = static_cast<double>(i) / sampleRate;
        const double level = DbToGain(t >= 1.0 && t < 2.0 ? highDb : lowDb);
        audio.channels[0][i] = audio.channels[1][i] = level * std::sin(2.0 * kPi * 1000.0 * t);
    }
    return audio;
}
