#pragma once

#include "gui/IControl.h"

// A horizontal row of 1 dB segments that light from the right as the gain
// reduction grows, fed with the smallest gain a block applied (a linear
// factor, 1 = no reduction) by the audio thread. The shown gain falls with a
// 1 ms time constant (practically at once) and recovers with 200 ms.
//
// Threads: SetValueFromPlugin from the audio thread; everything else,
// including the ballistics state, GUI thread only.
class IGainReductionMeter : public IControl
{
  public:
    static constexpr int kTableSize = 1024;
    static constexpr int kSegmentWidth = 5;

    IGainReductionMeter(IEffectBase* plugin, int x, int y, int w, int h, int segments,
                        int blendMethod = 0);

    // Any thread: only marks the meter dirty; its look does not change.
    void GrayOut(bool gray) override;
    // GUI thread.
    bool Draw(IEditorCanvas* canvas) override;
    // Coefficients of the smoothing for the frame rate.
    virtual void ComputeBallistics();

    // GUI thread.
    int FrameRate() const { return mFrameRate; }
    int Segments() const { return mSegments; }
    double Smoothed() const { return mSmoothed; }
    // Decibels of reduction shown for the current smoothed gain (infinite at
    // gain 0).
    double ReductionDb() const;
    // Distance between the left edges of neighbouring segments.
    int SegmentPitch() const;

  protected:
    int mFrameRate = 0;
    int mSegments;
    // Starts at no reduction, as the value does.
    double mSmoothed = 1.0;
    double mAttackCoefficient = 0.0;
    double mReleaseCoefficient = 0.0;
    // log10(i / 1024); entry 0 is -infinity.
    double mLog10Table[kTableSize];
};
