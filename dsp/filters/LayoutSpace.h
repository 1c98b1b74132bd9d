#pragma once

#include "dsp/filters/Layout.h"

namespace Dsp
{

// A Layout owning storage for N poles and N zeros, zeroed at construction.
template <int N> class LayoutSpace : public Layout
{
    static_assert(N >= 1, "a layout holds at least one root");

  public:
    LayoutSpace() : Layout(m_poleSpace, m_zeroSpace, N) {}
    LayoutSpace(const LayoutSpace& other) : Layout(m_poleSpace, m_zeroSpace, N)
    {
        CopyLayoutFrom(other);
    }
    LayoutSpace& operator=(const LayoutSpace& other)
    {
        CopyLayoutFrom(other);
        return *this;
    }

  private:
    Complex m_poleSpace[N] = {};
    Complex m_zeroSpace[N] = {};
};

} // namespace Dsp
