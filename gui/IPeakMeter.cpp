#include "gui/IPeakMeter.h"

#include "gui/IEditorCanvas.h"

#include <cmath>

namespace
{
// The reading is shown 18 dB up: 7.94328 = 10^(18/20).
constexpr double kDisplayGain = 7.94328;
// 10^(6/20) and 10^(15.5/20): where blue and green start to fade.
constexpr double kBlueFade = 1.99526;
constexpr double kGreenFade = 5.94802;
// Lets a level of exactly 0.999 fill the bar.
constexpr double kHeadroom = 1.001001001001001;
// Readings below -60 dBFS count as silence.
constexpr double kFloor = 0.001;

// floor(x) clamped to 0..h, computed in double so that no out-of-range (or
// NaN) x reaches the int conversion.
int ClampedFloor(double x, int h)
{
    const double f = std::floor(x);
    if (!(f > 0.0)) return 0;
    if (f >= h) return h;
    return static_cast<int>(f);
}

int ColourChannel(double fraction)
{
    double c = fraction;
    if (c < 0.0) c = 0.0;
    if (c > 1.0) c = 1.0;
    const int v = static_cast<int>(c * 255.0);
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
} // namespace

IPeakMeter::IPeakMeter(IEffectBase* plugin, int x, int y, int w, int h, int blendMethod)
    : IControl(plugin, IBox(x, y, x + w, y + h), -1, blendMethod)
{
    mTargetRect = IBox();
}

void IPeakMeter::GrayOut(bool gray)
{
    mAlphaFactor.store(gray ? 0.0 : 1.0, std::memory_order_release);
    SetDirty(false);
}

void IPeakMeter::ComputeBallistics()
{
    mHoldCoefficient = std::exp(-1.0 / (mFrameRate * 1.7));
    mLevelCoefficient = std::exp(-1.0 / (mFrameRate * 0.075));
}

IArgb IPeakMeter::BarColour() const
{
    const double blue = mLevel < 1.0 ? 1.0 : 1.0 - mLevel / kBlueFade;
    const double green = mLevel < kBlueFade ? 1.0 : 1.0 - mLevel / kGreenFade;
    const double alpha = mAlphaFactor.load(std::memory_order_acquire);
    return IArgb(static_cast<int>(alpha * 255.0), 255, ColourChannel(green), ColourChannel(blue));
}

int IPeakMeter::BarHeight() const
{
    return ClampedFloor(mLevel * mRect.H() * kHeadroom, mRect.H());
}

int IPeakMeter::PeakHeight() const
{
    return ClampedFloor(mRect.H() * mPeak * kHeadroom, mRect.H());
}

bool IPeakMeter::Draw(IEditorCanvas* canvas)
{
    if (mFrameRate == 0)
    {
        mFrameRate = canvas->FrameRate();
        ComputeBallistics();
    }

    // A reading under the floor is stored back as 0, unless the audio thread
    // pushed a new one meanwhile. A NaN or infinite reading counts as
    // silence too: it would otherwise stick in the level recursion forever.
    double v = GetValue();
    if (v < kFloor || !std::isfinite(v))
    {
        ReplaceValueIfUnchanged(v, 0.0);
        v = 0.0;
    }

    mLevel = (1.0 - mLevelCoefficient) * (v * kDisplayGain) + mLevelCoefficient * mLevel;
    if (mPeak > mLevel)
    {
        mPeak = mHoldCoefficient * mPeak + (1.0 - mHoldCoefficient) * mLevel;
        mPeakAlpha = mHoldCoefficient * mPeakAlpha + (1.0 - mHoldCoefficient) * mLevel;
    }
    else
    {
        mPeak = mLevel;
        if (mLevel > 0.0) mPeakAlpha = 1.0;
    }

    const IArgb bar = BarColour();
    const int h = mRect.H();
    const int w = mRect.W();

    // The peak line first, two pixels high; the bar then covers it wherever
    // they meet. The line is kept inside the meter's box: at the bottom it
    // would otherwise paint rows below it that no draw pass restores. Its
    // alpha follows the level above full scale, so it is capped at opaque.
    const int p = PeakHeight();
    IArgb peakColour = bar;
    const double peakAlpha = mPeakAlpha < 0.0 ? 0.0 : (mPeakAlpha > 1.0 ? 1.0 : mPeakAlpha);
    peakColour.A = static_cast<int>(bar.A * peakAlpha);
    IBox line(mRect.left, mRect.top + h - p, mRect.left + w, mRect.top + h - p + 2);
    if (line.bottom > mRect.bottom) line.bottom = mRect.bottom;
    bool ok = true;
    if (line.top < line.bottom) ok = canvas->FillBox(peakColour, line, nullptr);
    const int b = BarHeight();
    ok = ok &&
         canvas->FillBox(bar, IBox(mRect.left, mRect.top + h - b, mRect.left + w, mRect.top + h),
                         nullptr);

    // Drawn again on the next frame whether or not a reading arrives, so the
    // bar and the peak line keep falling after the audio stops: the redraw
    // request survives this pass's SetClean.
    SetDirty(false);
    RequestRedraw();
    return ok;
}
