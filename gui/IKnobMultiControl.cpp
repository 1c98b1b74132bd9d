#include "gui/IKnobMultiControl.h"

#include "gui/IEditorCanvas.h"

#include <algorithm>

namespace
{
IBox FrameBox(int x, int y, const IImageStrip& strip)
{
    const int frames = strip.frames > 0 ? strip.frames : 1;
    return IBox(x, y, x + strip.width, y + strip.height / frames);
}
} // namespace

IKnobMultiControl::IKnobMultiControl(IEffectBase* plugin, int x, int y, int paramIndex,
                                     const IImageStrip& strip, int direction, double gearing)
    : IControl(plugin, FrameBox(x, y, strip), paramIndex), mDirection(direction), mGearing(gearing),
      mStrip(strip)
{
}

void IKnobMultiControl::OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    double gearing = mGearing;
    if (keys.control || keys.shift) gearing *= 10.0;
    // A box without extent along the drag (or a zero gearing) has no
    // pixels-per-sweep: the drag is ignored rather than dividing by zero.
    if (mDirection == kHorizontal)
    {
        const int span = mRect.right - mRect.left;
        if (span == 0 || gearing == 0.0) return;
        SetValue(GetValue() + static_cast<double>(dx) / span / gearing);
    }
    else
    {
        // Screen y grows downwards: an upward drag (dy < 0) over a negative
        // span raises the value.
        const int span = mRect.top - mRect.bottom;
        if (span == 0 || gearing == 0.0) return;
        SetValue(GetValue() + static_cast<double>(dy) / span / gearing);
    }
    SetDirty(true);
}

bool IKnobMultiControl::Draw(IEditorCanvas* canvas)
{
    const int n = mStrip.frames;
    // frame = int((N - 1) * value + 0.5) + 1, at most N; a negative position
    // shows the first frame. Compared in double so that no out-of-range
    // value reaches the int conversion.
    const double pos = (n - 1) * GetValue() + 0.5;
    int frame = 1;
    if (pos >= 0.0) frame = pos >= n ? n : std::min(n, static_cast<int>(pos) + 1);
    const IBlend blend = GetBlend();
    return canvas->DrawImageFrame(mStrip, mRect, frame, &blend);
}
