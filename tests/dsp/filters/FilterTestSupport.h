#pragma once

// Independent references for the filter tests: signals, a naive DFT, the
// textbook difference equation over whole signals, and bit comparison.

#include "dsp/filters/Dsp.h"

#include <complex>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace FilterTest
{

using Cplx = std::complex<double>;

inline std::vector<double> Noise(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& x : v)
        x = u(rng);
    return v;
}

inline bool SameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Σ h[n]·e^(−jwn), summed the slow way.
inline Cplx Dft(const std::vector<double>& h, double w, int channels = 1, int channel = 0)
{
    Cplx sum = 0;
    const std::size_t frames = h.size() / channels;
    for (std::size_t n = 0; n < frames; ++n)
        sum += h[n * channels + channel] * std::polar(1.0, -w * double(n));
    return sum;
}

// One channel of a cascade run as y[n] = b0·x[n] + b1·x[n−1] + b2·x[n−2]
// + a1·y[n−1] + a2·y[n−2] over whole signals, section after section. The
// additions are grouped as the filter defines them; nothing else is shared
// with the library. `switchAt` frames in, the coefficients become `later`.
inline std::vector<double> NaiveSections(const std::vector<Dsp::Stage>& first,
                                         std::vector<double> x, std::size_t switchAt = SIZE_MAX,
                                         const std::vector<Dsp::Stage>* later = nullptr)
{
    for (std::size_t k = 0; k < first.size(); ++k)
    {
        std::vector<double> y(x.size());
        for (std::size_t n = 0; n < x.size(); ++n)
        {
            const Dsp::Stage& s = (later && n >= switchAt) ? (*later)[k] : first[k];
            const double xm1 = n >= 1 ? x[n - 1] : 0.0;
            const double xm2 = n >= 2 ? x[n - 2] : 0.0;
            const double ym1 = n >= 1 ? y[n - 1] : 0.0;
            const double ym2 = n >= 2 ? y[n - 2] : 0.0;
            double acc = s.b[1] * xm1 + s.b[0] * x[n];
            acc += s.b[2] * xm2;
            acc += s.a[1] * ym1;
            acc += s.a[2] * ym2;
            y[n] = acc;
        }
        x = y;
    }
    return x;
}

inline std::vector<Dsp::Stage> StagesOf(const Dsp::Cascade& c)
{
    return std::vector<Dsp::Stage>(c.GetStages(), c.GetStages() + c.GetStageCount());
}

inline std::vector<double> Channel(const std::vector<double>& interleaved, int channels, int c)
{
    std::vector<double> out;
    for (std::size_t i = c; i < interleaved.size(); i += channels)
        out.push_back(interleaved[i]);
    return out;
}

// A death-test pattern matching `text` literally.
inline std::string Literal(const std::string& text)
{
    std::string out;
    for (char ch : text)
    {
        if (std::strchr("[](){}.*+?^$|\\", ch)) out += '\\';
        out += ch;
    }
    return out;
}

} // namespace FilterTest
