#include "gui/x11/IClickTracker.h"

#include <cstdlib>

bool IClickTracker::Press(int button, int x, int y, std::uint32_t timeMs)
{
    const bool isDouble = mArmed && button == mButton &&
                          static_cast<std::uint32_t>(timeMs - mTime) <= kDoubleClickMs &&
                          std::abs(x - mX) <= kDoubleClickPx && std::abs(y - mY) <= kDoubleClickPx;
    mArmed = !isDouble;
    mButton = button;
    mX = x;
    mY = y;
    mTime = timeMs;
    return isDouble;
}
