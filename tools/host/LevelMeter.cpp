#include "LevelMeter.h"

#include <algorithm>
#include <cmath>

void LevelMeter::Reset()
{
    *this = LevelMeter();
}

void LevelMeter::Add(const double* left, const double* right, size_t frames)
{
    for (const double* channel : {left, right})
    {
        if (channel == nullptr) continue;
        for (size_t i = 0; i < frames; ++i)
        {
            double x = channel[i];
            peak_ = std::max(peak_, std::fabs(x));
            minimum_ = std::min(minimum_, x);
            maximum_ = std::max(maximum_, x);
            sumOfSquares_ += x * x;
        }
        samples_ += frames;
    }
}

double LevelMeter::Rms() const
{
    return samples_ == 0 ? 0.0 : std::sqrt(sumOfSquares_ / static_cast<double>(samples_));
}

double LevelMeter::ToDb(double linear)
{
    if (!(linear > 0.0)) return kFloorDb;
    return std::max(kFloorDb, 20.0 * std::log10(linear));
}
