#pragma once

// Drives BraskoKorvala as a host does, without the effect record: sample
// rate and reset, the full parameter pass of effOpen, parameters by
// normalised value, blocks of four inputs and two outputs. A recording canvas
// stands in for the editor.

#include "plugin/BraskoKorvala.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

// M_PI is not standard C++ (mingw leaves it out in strict mode).
static constexpr double kPi = 3.14159265358979323846;

class RecordingCanvas : public IEditorView
{
  public:
    struct Call
    {
        int control;
        double value;
    };
    void SetParameterFromPlugin(int, double, bool) override {}
    void PrepareDrawing() override {}
    void SetAllControlsDirty() override { ++dirtyCount; }
    void SetControlFromPlugin(int controlIdx, double value) override
    {
        values.push_back({controlIdx, value});
    }
    void GrayOutControl(int controlIdx, bool gray) override
    {
        greys.push_back({controlIdx, gray ? 1.0 : 0.0});
    }
    int Width() const override { return 552; }
    int Height() const override { return 200; }
    void* OpenWindow(void*) override { return nullptr; }
    void CloseWindow() override {}

    // The five meter values of the last block: in L, in R, out L, out R, GR.
    std::vector<double> LastMeters() const
    {
        std::vector<double> m;
        for (size_t i = values.size() >= 5 ? values.size() - 5 : 0; i < values.size(); ++i)
            m.push_back(values[i].value);
        return m;
    }

    int dirtyCount = 0;
    std::vector<Call> values;
    std::vector<Call> greys;
};

inline VstIntPtr VSTCALLBACK SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

class Plugin
{
  public:
    // seed fixes the right-channel offsets the models draw at construction,
    // so that several instances can be compared bit for bit.
    explicit Plugin(double rate = 48000.0, unsigned seed = 1, bool open = true)
    {
        std::srand(seed);
        fx = std::make_unique<BraskoKorvala>(&SilentHost);
        canvas = new RecordingCanvas;
        fx->AttachGraphics(canvas);
        if (open)
        {
            fx->SetSampleRate(rate);
            fx->OnReset();
            fx->ResendAllParameters();
        }
    }

    // As the host's set-parameter call: normalised value, then the handler.
    void Set(int idx, double normalised)
    {
        fx->Lock();
        fx->GetParam(idx)->SetNormalized(normalised);
        fx->OnParameterChange(idx);
        fx->Unlock();
    }
    double Value(int idx) const { return fx->GetParam(idx)->Value(); }
    double Knob(int idx) const { return fx->GetParam(idx)->GetNormalized(); }

    // Processes frames of the four inputs in place of the outputs.
    void Process(const std::vector<double>* in, std::vector<double>* out, int offset, int n)
    {
        double* ins[4];
        double* outs[2];
        for (int c = 0; c < 4; ++c)
            ins[c] = const_cast<double*>(in[c].data()) + offset;
        for (int c = 0; c < 2; ++c)
            outs[c] = out[c].data() + offset;
        fx->Lock();
        fx->ProcessBlock(ins, outs, n);
        fx->Unlock();
    }

    std::unique_ptr<BraskoKorvala> fx;
    RecordingCanvas* canvas; // owned by fx
};

// Four input channels and two outputs of n frames.
struct Audio
{
    explicit Audio(int n) : frames(n)
    {
        for (auto& c : in)
            c.assign(n, 0.0);
        for (auto& c : out)
            c.assign(n, 0.0);
    }
    void Sine(int channel, double amp, double cyclesPerSample)
    {
        for (int i = 0; i < frames; ++i)
            in[channel][i] = amp * std::sin(2 * kPi * cyclesPerSample * i);
    }
    int frames;
    std::vector<double> in[4];
    std::vector<double> out[2];
};
