#include "gui/ISliderControl.h"

#include "gui/IEditorCanvas.h"

namespace
{
IBox TravelBox(int x, int y, int length, const IImageStrip& strip, int direction)
{
    if (direction == ISliderControl::kHorizontal) return IBox(x, y, x + length, y + strip.height);
    return IBox(x, y, x + strip.width, y + length);
}
} // namespace

ISliderControl::ISliderControl(IEffectBase* plugin, int x, int y, int length, int paramIndex,
                               const IImageStrip& strip, int direction)
    : IControl(plugin, TravelBox(x, y, length, strip, direction), paramIndex), mLength(length),
      mHandleSize(direction == kHorizontal ? strip.width : strip.height), mStrip(strip),
      mDirection(direction)
{
}

void ISliderControl::OnMouseDown(int x, int y, const MouseKeys& keys)
{
    if (keys.right)
        PromptForValue();
    else
        SnapToMouse(x, y);
}

void ISliderControl::OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys)
{
    (void)dx;
    (void)dy;
    (void)keys;
    SnapToMouse(x, y);
}

// The handle's centre goes under the mouse: 0 at the left (bottom) end of the
// travel, 1 at the right (top) end; SetDirty clamps what lies beyond.
void ISliderControl::SnapToMouse(int x, int y)
{
    const int span = mLength - mHandleSize;
    // A handle as long as the travel cannot move: nothing to snap to.
    if (span == 0) return;
    const int half = mHandleSize / 2;
    if (mDirection == kHorizontal)
        SetValue(static_cast<double>(x - mRect.left - half) / span);
    else
        SetValue(1.0 - static_cast<double>(y - mRect.top - half) / span);
    SetDirty(true);
}

IBox ISliderControl::HandleBox() const
{
    const int span = mLength - mHandleSize;
    // A pushed value outside 0..1 (or NaN) keeps the handle on its travel
    // and out of undefined int conversions.
    double v = GetValue();
    if (!(v >= 0.0))
        v = 0.0;
    else if (v > 1.0)
        v = 1.0;
    if (mDirection == kHorizontal)
    {
        const int left = mRect.left + static_cast<int>(span * v);
        return IBox(left, mRect.top, left + mStrip.width, mRect.top + mStrip.height);
    }
    const int top = mRect.top + static_cast<int>(span * (1.0 - v));
    return IBox(mRect.left, top, mRect.left + mStrip.width, top + mStrip.height);
}

bool ISliderControl::Draw(IEditorCanvas* canvas)
{
    const IBlend blend = GetBlend();
    return canvas->DrawImageFrame(mStrip, HandleBox(), 1, &blend);
}
