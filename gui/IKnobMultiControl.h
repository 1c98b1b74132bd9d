#pragma once

#include "gui/IControl.h"

// A knob drawn as one frame of an image strip, turned by dragging: up (or
// right) raises the value, a full sweep takes gearing x the control's height
// (or width) in pixels, ten times as far with shift or control held.
class IKnobMultiControl : public IControl
{
  public:
    enum Direction : int
    {
        kVertical = 0,
        kHorizontal = 1,
    };

    IKnobMultiControl(IEffectBase* plugin, int x, int y, int paramIndex, const IImageStrip& strip,
                      int direction = kVertical, double gearing = 4.0);

    // GUI thread.
    void OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys) override;
    bool Draw(IEditorCanvas* canvas) override;

    const IImageStrip& GetStrip() const { return mStrip; }
    double Gearing() const { return mGearing; }
    int Direction() const { return mDirection; }

  protected:
    int mDirection;
    double mGearing;
    IImageStrip mStrip; // shared with the canvas's image cache, not owned
};
