#pragma once

#include "dsp/filters/Cascade.h"
#include "dsp/filters/SectionState.h"

namespace Dsp
{

// A cascade that runs over interleaved sample buffers with one SectionState
// per (channel, section). Frame f, channel c of a buffer is at index
// f·(channels + skip) + c; the `skip` doubles after each frame are untouched.
class CascadeFilter : public Cascade
{
  public:
    int GetChannelCount() const { return m_channels; }
    const SectionState& GetState(int channel, int stage) const
    {
        return m_state[channel * GetStageMax() + stage];
    }
    // Writable memory of one (channel, section), for callers that run the
    // recursion themselves in the same arithmetic (the oversampler's fused
    // up-sampling) and hand the state back.
    SectionState& State(int channel, int stage) { return m_state[channel * GetStageMax() + stage]; }

    // Zeroes every x1, x2, y1, y2; coefficients are kept. The way back from
    // non-finite input, which otherwise stays in the recursion for good.
    void ResetState();
    // True while every x1, x2, y1, y2 is finite (neither NaN nor infinite).
    bool IsStateFinite() const;

    // In place. Two-channel filters take the side-by-side path when the
    // processor has SSE3; both paths give identical bits.
    void Process(int frameCount, double* samples, int skip = 0);

    // The two paths, callable directly so tests and benchmarks can compare
    // them. General: frame by frame, channel by channel, sections in order.
    void ProcessGeneral(int frameCount, double* samples, int skip = 0);
    // Two-channel filters only: left and right side by side in packed doubles
    // when the processor has SSE3 (all sections per frame for up to three
    // sections, else section by section over the block); without SSE3 the
    // same side-by-side order in scalar code. Other channel counts fall back
    // to the general path.
    void ProcessTwoChannel(int frameCount, double* samples, int skip = 0);

    static bool HasTwoChannelPath();

    // One section of the direct form I recursion. The addition order is part
    // of the filter's definition; every path goes through it or mirrors it.
    static double Tick(const Stage& s, SectionState& st, double in)
    {
        double out = s.b[1] * st.x1 + s.b[0] * in;
        out += s.b[2] * st.x2;
        out += s.a[1] * st.y1;
        out += s.a[2] * st.y2;
        st.x2 = st.x1;
        st.x1 = in;
        st.y2 = st.y1;
        st.y1 = out;
        return out;
    }

  protected:
    // `state` holds channels × stageMax zeroed records, channel-major.
    CascadeFilter(Stage* stages, int stageMax, SectionState* state, int channels);
    ~CascadeFilter() = default;

    // Coefficients, stage count and state (both objects have the same shape).
    void CopyFilterFrom(const CascadeFilter& other);

    SectionState* StateBlock() { return m_state; }

    // The general path with the shape known at compile time, so the channel
    // and section loops unroll and the state lives in registers.
    template <int Channels, int Stages>
    static void RunFrames(const Stage* stages, SectionState* state, int frameCount, double* samples,
                          int skip);

  private:
    SectionState* m_state;
    int m_channels;
};

template <int Channels, int Stages>
void CascadeFilter::RunFrames(const Stage* stages, SectionState* state, int frameCount,
                              double* samples, int skip)
{
    Stage c[Stages];
    SectionState s[Channels][Stages];
    for (int k = 0; k < Stages; ++k)
        c[k] = stages[k];
    for (int ch = 0; ch < Channels; ++ch)
        for (int k = 0; k < Stages; ++k)
            s[ch][k] = state[ch * Stages + k];

    const int stride = Channels + skip;
    for (int f = 0; f < frameCount; ++f)
    {
        double* frame = samples + static_cast<long>(f) * stride;
        for (int ch = 0; ch < Channels; ++ch)
        {
            double v = frame[ch];
            for (int k = 0; k < Stages; ++k)
                v = Tick(c[k], s[ch][k], v);
            frame[ch] = v;
        }
    }

    for (int ch = 0; ch < Channels; ++ch)
        for (int k = 0; k < Stages; ++k)
            state[ch * Stages + k] = s[ch][k];
}

} // namespace Dsp
