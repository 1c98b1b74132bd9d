#pragma once

#include "gui/IControl.h"

#include <atomic>

// A vertical level bar with a peak-hold line, fed with linear peak
// amplitudes by the audio thread. The bar follows the reading with a 75 ms
// time constant and reaches the top at -18 dBFS x 1.001 (the reading is
// scaled by 7.94328, +18 dB); the peak line falls back towards the bar with a
// 1.7 s time constant. Above full scale of the bar the colour turns from
// white to yellow (blue drops) and then to red (green drops).
//
// Threads: SetValueFromPlugin from the audio thread; everything else,
// including the ballistics state, GUI thread only.
class IPeakMeter : public IControl
{
  public:
    // Never hit by the mouse: its hit box stays empty.
    IPeakMeter(IEffectBase* plugin, int x, int y, int w, int h, int blendMethod = 0);

    // Any thread: fades the meter out entirely while grayed.
    void GrayOut(bool gray) override;
    // GUI thread.
    bool Draw(IEditorCanvas* canvas) override;
    // Coefficients of the level and peak recursions for the frame rate.
    virtual void ComputeBallistics();

    // GUI thread.
    int FrameRate() const { return mFrameRate; }
    double Level() const { return mLevel; }
    double Peak() const { return mPeak; }
    double PeakAlpha() const { return mPeakAlpha; }
    // The colour the bar was last drawn with.
    IArgb BarColour() const;
    // Pixel heights of the bar and the peak line for the current state.
    int BarHeight() const;
    int PeakHeight() const;

  protected:
    int mFrameRate = 0;
    double mPeak = 0.0;
    double mLevel = 0.0;
    double mHoldCoefficient = 0.0;
    double mLevelCoefficient = 0.0;
    double mPeakAlpha = 0.0;
    std::atomic<double> mAlphaFactor{1.0};
};
