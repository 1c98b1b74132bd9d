#pragma once

#include "gui/IBitmapControl.h"

// A multi-state switch drawn from an image strip, one frame per state.
// clickMode 0: the box is split into N horizontal bands (top to bottom) and a
// click picks the band's state; 1: the same with N vertical bands (left to
// right); any other value: each click steps to the next state and wraps.
class ISwitchControl : public IBitmapControl
{
  public:
    enum ClickMode : int
    {
        kVerticalZones = 0,
        kHorizontalZones = 1,
        kCycle = 2,
    };

    ISwitchControl(IEffectBase* plugin, int x, int y, int paramIndex, const IImageStrip& strip,
                   int clickMode = kCycle);

    // GUI thread.
    void OnMouseDown(int x, int y, const MouseKeys& keys) override;

    int ClickMode() const { return mClickMode; }

  protected:
    int mClickMode;
};
