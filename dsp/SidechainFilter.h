#pragma once

#include "dsp/filters/Dsp.h"

// First-order Butterworth high-pass on a model's mono detector value
// ("Sidechain Filter"). A stored frequency of 0 Hz (the control's 20 Hz end)
// bypasses it; its state then stands still.
class SidechainFilter
{
  public:
    SidechainFilter() = default;

    // frequencyHz: n * 300 for the normalised control value n (0 to 300 Hz).
    void SetFrequency(double hz) { frequencyHz = hz; }
    double FrequencyHz() const { return frequencyHz; }
    bool IsOn() const { return frequencyHz > 0.0; }

    // cutoffPerSample: the corner as a fraction of the rate the filter runs
    // at. Nothing is designed while the filter is bypassed (a cutoff of 0 has
    // no finite high-pass design, and the coefficients are not read then);
    // an invalid design leaves the previous coefficients.
    void Design(double cutoffPerSample)
    {
        if (frequencyHz > 0.0) highPass.Setup(1.0, cutoffPerSample);
    }

    // Designs the corner for the rate in Hz the filter is meant to run at
    // (the models pass three times the base rate, or the rate in force).
    void SetSampleRate(double rate) { Design(frequencyHz / rate); }

    double ProcessSample(double d) { return highPass.ProcessSample(d); }

    // The high-pass memory (design and frequency kept).
    bool IsStateFinite() const { return highPass.IsStateFinite(); }
    void ResetState() { highPass.ResetState(); }

    Dsp::ButterHighPass<1, 1> highPass;
    double frequencyHz = 0.0;
};
