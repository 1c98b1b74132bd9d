#pragma once

#include "dsp/filters/LayoutSpace.h"
#include "dsp/filters/PoleFilter.h"

namespace Dsp
{

// A PoleFilter with all its storage: the analog layout the prototype `Type`
// fills, the digital layout the band transform `Band` fills, (order+1)/2
// sections and channels × sections state records. Everything is held by
// value and zeroed at construction; copies are independent filters.
template <class Type, class Band, int order, int channels> class PoleFilterSpace : public PoleFilter
{
    static_assert(order >= 1 && channels >= 1, "a filter has an order and a channel");

  public:
    static constexpr int kOrder = order;
    static constexpr int kChannels = channels;
    static constexpr int kStages = (order + 1) / 2;

    PoleFilterSpace()
        : PoleFilter(m_stageSpace, kStages, m_stateSpace, channels, m_poleSpace, m_zeroSpace, order)
    {
    }
    PoleFilterSpace(const PoleFilterSpace& other) : PoleFilterSpace() { CopyFrom(other); }
    PoleFilterSpace& operator=(const PoleFilterSpace& other)
    {
        CopyFrom(other);
        return *this;
    }

    const Stage* Design(const FilterParams& params) final
    {
        if (!m_prototype.Design(params, m_analog)) return nullptr;
        if (!m_band.Transform(params, m_analog, *this)) return nullptr;
        Stage saved[kStages];
        for (int i = 0; i < kStages; ++i)
            saved[i] = m_stageSpace[i];
        return RealiseOrRestore(saved, GetStageCount());
    }

    const Layout& GetAnalogLayout() const { return m_analog; }

    void Process(int frameCount, double* samples, int skip = 0)
    {
        if (channels == 2 && HasTwoChannelPath())
            ProcessTwoChannel(frameCount, samples, skip);
        else
            ProcessGeneral(frameCount, samples, skip);
    }

    void ProcessGeneral(int frameCount, double* samples, int skip = 0)
    {
        if (GetStageCount() == kStages)
            RunFrames<channels, kStages>(m_stageSpace, m_stateSpace, frameCount, samples, skip);
        else
            CascadeFilter::ProcessGeneral(frameCount, samples, skip);
    }

    // One-channel filters: the same result as Process(1, &in, 0).
    double ProcessSample(double in)
    {
        static_assert(channels == 1, "ProcessSample runs one-channel filters");
        const int n = GetStageCount();
        for (int k = 0; k < n; ++k)
            in = Tick(m_stageSpace[k], m_stateSpace[k], in);
        return in;
    }

  private:
    void CopyFrom(const PoleFilterSpace& other)
    {
        CopyFilterFrom(other);
        CopyLayoutFrom(other);
        m_analog = other.m_analog;
    }

    Type m_prototype;
    Band m_band;
    LayoutSpace<order> m_analog;
    Stage m_stageSpace[kStages] = {};
    SectionState m_stateSpace[channels * kStages] = {};
    Complex m_poleSpace[order] = {};
    Complex m_zeroSpace[order] = {};
};

} // namespace Dsp
