#pragma once

#include "dsp/filters/Complex.h"
#include "dsp/filters/Layout.h"
#include "dsp/filters/Stage.h"

namespace Dsp
{

// A filter realised as a cascade of biquad sections. The stage storage
// belongs to the derived class; the transfer function is the product of the
// first GetStageCount() sections.
class Cascade
{
  public:
    Cascade(const Cascade&) = delete;
    Cascade& operator=(const Cascade&) = delete;

    int GetStageMax() const { return m_stageMax; }
    int GetStageCount() const { return m_stageCount; }
    void SetStageCount(int n);

    const Stage* GetStages() const { return m_stages; }
    const Stage& GetStage(int i) const { return m_stages[i]; }
    Stage& GetStage(int i) { return m_stages[i]; }

    // H(e^{jw}) of the current coefficients, w in radians per sample.
    Complex Response(double w) const;

    // Every section in use becomes 1 (a = 0, b = (1, 0, 0)); state untouched.
    void SetPassThrough();

    // Realises a digital (z-plane) layout: real roots are paired into
    // sections from the back, conjugate pairs take one section each, and
    // section 0's numerator is scaled so that |H| equals the layout's
    // normalisation gain at its normalisation frequency. Never call it while
    // a process call runs on the same object. Returns the stage array.
    const Stage* ApplyLayout(const Layout& layout);

  protected:
    // `stages` holds stageMax zeroed sections; all of them count as in use
    // until the first design, so a never-designed cascade outputs zeros.
    Cascade(Stage* stages, int stageMax);
    ~Cascade() = default;

    void CopyStagesFrom(const Cascade& other);

  private:
    void AddRealPole(double r, int& used);
    void AddComplexPole(Complex p, int& used);
    void AddRealZero(double z, int& used);
    void AddComplexZero(Complex z, int& used);

    Stage* m_stages;
    int m_stageMax;
    int m_stageCount = 0;
};

} // namespace Dsp
