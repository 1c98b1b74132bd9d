#pragma once

#include <cstdint>

// Tells a double click from two single ones: a press of the same button
// within kDoubleClickMs of the previous press and within kDoubleClickPx
// pixels of it (each axis) is the second click of a pair. A pair is not the
// start of the next pair, so three quick presses give one double click and
// one single press. Times are the server's millisecond timestamps, which wrap
// around after 49 days; the difference is taken modulo 2^32.
class IClickTracker
{
  public:
    static constexpr std::uint32_t kDoubleClickMs = 400;
    static constexpr int kDoubleClickPx = 4;

    // Records a press; true when it completes a double click.
    bool Press(int button, int x, int y, std::uint32_t timeMs);
    void Reset() { mArmed = false; }

  private:
    bool mArmed = false;
    int mButton = 0;
    int mX = 0;
    int mY = 0;
    std::uint32_t mTime = 0;
};
