#pragma once

#include "dsp/filters/Complex.h"

namespace Dsp
{

// Poles and zeros of a filter plus the frequency (radians per sample, 0..π,
// or radians per second for an analog layout) and gain at which the realised
// cascade's magnitude is fixed. Storage belongs to the derived LayoutSpace or
// filter; a Layout is the view the design steps work on.
class Layout
{
  public:
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    int GetRootMax() const { return m_poles.m_rootMax; }

    int GetPoleCount() const { return m_poles.m_rootCount; }
    int GetZeroCount() const { return m_zeros.m_rootCount; }
    void SetPoleCount(int n) { m_poles.SetCount(n); }
    void SetZeroCount(int n) { m_zeros.SetCount(n); }

    const Complex& Pole(int i) const { return m_poles.At(i); }
    Complex& Pole(int i) { return m_poles.At(i); }
    const Complex& Zero(int i) const { return m_zeros.At(i); }
    Complex& Zero(int i) { return m_zeros.At(i); }

    double GetNormalisationFrequency() const { return m_normalisationFrequency; }
    double GetNormalisationGain() const { return m_normalisationGain; }
    void SetNormalisation(double frequency, double gain)
    {
        m_normalisationFrequency = frequency;
        m_normalisationGain = gain;
    }

  protected:
    // `poles` and `zeros` each hold rootMax values; the counts start at 0.
    Layout(Complex* poles, Complex* zeros, int rootMax);
    ~Layout() = default;

    // Copies counts, roots and normalisation; other's counts must fit.
    void CopyLayoutFrom(const Layout& other);

  private:
    struct Roots
    {
        Complex* m_roots;
        int m_rootMax;
        int m_rootCount;

        void SetCount(int n);
        Complex& At(int i) const;
    };

    Roots m_poles;
    Roots m_zeros;
    double m_normalisationFrequency = 0;
    double m_normalisationGain = 1;
};

} // namespace Dsp
