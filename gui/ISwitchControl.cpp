#include "gui/ISwitchControl.h"

ISwitchControl::ISwitchControl(IEffectBase* plugin, int x, int y, int paramIndex,
                               const IImageStrip& strip, int clickMode)
    : IBitmapControl(plugin, x, y, paramIndex, strip, 0), mClickMode(clickMode)
{
}

namespace
{
// Index of the zone of width size (zones start at origin) that holds pos
// strictly inside; -1 on a boundary or outside every zone.
int ZoneOf(int pos, int origin, int size, int zones)
{
    for (int i = 0; i < zones; ++i)
        if (origin + i * size < pos && pos < origin + (i + 1) * size) return i;
    return -1;
}
} // namespace

void ISwitchControl::OnMouseDown(int x, int y, const MouseKeys& keys)
{
    if (keys.right)
    {
        PromptForValue();
    }
    else
    {
        const int n = mStrip.frames;
        if (n <= 1)
        {
            SetValue(GetValue() + 1.0);
        }
        else
        {
            const double step = 1.0 / (n - 1);
            int zone = -1;
            switch (mClickMode)
            {
            case kHorizontalZones:
                zone = ZoneOf(x, mRect.left, (mRect.right - mRect.left) / n, n);
                if (zone >= 0) SetValue(zone * step);
                break;
            case kVerticalZones:
                zone = ZoneOf(y, mRect.top, (mRect.bottom - mRect.top) / n, n);
                if (zone >= 0) SetValue(zone * step);
                break;
            default:
                SetValue(GetValue() + step);
                break;
            }
        }
    }
    // The last state stepped past wraps to the first (a little tolerance for
    // the sum of steps).
    if (GetValue() > 1.001) SetValue(0.0);
    SetDirty(true);
}
