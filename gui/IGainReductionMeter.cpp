#include "gui/IGainReductionMeter.h"

#include "gui/IEditorCanvas.h"

#include <cmath>

namespace
{
const IArgb kUnlit(255, 93, 93, 93);
const IArgb kLit(255, 234, 175, 77);
} // namespace

IGainReductionMeter::IGainReductionMeter(IEffectBase* plugin, int x, int y, int w, int h,
                                         int segments, int blendMethod)
    : IControl(plugin, IBox(x, y, x + w, y + h), -1, blendMethod), mSegments(segments)
{
    // No reading before the audio runs means no reduction: starting from
    // the base class's 0 would light every segment of an editor opened on a
    // stopped transport until the first block arrives.
    SetValue(1.0);
    for (int i = 0; i < kTableSize; ++i)
        mLog10Table[i] = std::log10(static_cast<double>(i) / kTableSize);
}

void IGainReductionMeter::GrayOut(bool gray)
{
    (void)gray;
    SetDirty(false);
}

void IGainReductionMeter::ComputeBallistics()
{
    mAttackCoefficient = std::exp(-1.0 / (mFrameRate * 0.001));
    mReleaseCoefficient = std::exp(-1.0 / (mFrameRate * 0.2));
}

double IGainReductionMeter::ReductionDb() const
{
    // Index int(gain * 1023), kept on the table: a gain above 1 reads the
    // last entry, a negative or NaN gain the first (full reduction).
    const double pos = mSmoothed * 1023.0;
    int i = 0;
    if (pos >= 1023.0)
        i = 1023;
    else if (pos > 0.0)
        i = static_cast<int>(pos);
    return std::fabs(20.0 * mLog10Table[i]);
}

int IGainReductionMeter::SegmentPitch() const
{
    if (mSegments <= 0) return 0;
    return (mRect.W() - kSegmentWidth * mSegments + 10) / mSegments;
}

bool IGainReductionMeter::Draw(IEditorCanvas* canvas)
{
    if (mFrameRate == 0)
    {
        mFrameRate = canvas->FrameRate();
        ComputeBallistics();
    }

    const double v = GetValue();
    // More reduction (a smaller gain) is followed with the attack
    // coefficient, recovery with the release one.
    const double c = mSmoothed > v ? mAttackCoefficient : mReleaseCoefficient;
    mSmoothed = (1.0 - c) * v + c * mSmoothed;
    // A NaN reading would stay in the recursion for good.
    if (std::isnan(mSmoothed)) mSmoothed = 1.0;

    const double reduction = ReductionDb();
    const int w = mRect.W();
    // Segment k (counted from the right, 1..segments) lights once the
    // reduction reaches k dB.
    const int step = SegmentPitch() + kSegmentWidth;
    if (step <= 0 || mSegments <= 0) return true;
    bool ok = true;
    int k = mSegments;
    for (int s = 0; s < w; s += step, --k)
    {
        const IArgb& colour = k > reduction ? kUnlit : kLit;
        const IBox seg(mRect.left + s, mRect.top, mRect.left + s + kSegmentWidth, mRect.bottom);
        if (!canvas->FillBox(colour, seg, nullptr)) ok = false;
        if (!ok) break;
    }
    return ok;
}
