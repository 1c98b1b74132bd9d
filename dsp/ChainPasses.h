#pragma once

// The plug-in chain's passes on either side of the model, each one loop over
// a chunk of host frames: interleaving the host's channels into stereo
// frames, the input gain, the input peaks and the 1e-24 denormal offset
// before the model; the output gain, the finiteness check, the output peaks
// and de-interleaving after it.
//
// On x86-64 ScaleInput and ScaleOutput run both channels of a frame side by
// side (SSE2, lane 0 left, two frames per step), in double precision whether
// the host's channels are double or float; every value sees the same
// operations in the same order as in the scalar forms, which other
// processors build and which the tests hold the packed forms to, bit for bit.
// Audio thread, plug-in lock held; nothing allocates.
class ChainPasses
{
  public:
    // Added to every main value after the input gain, so that the models'
    // recursions never decay into denormal numbers (they never see exact
    // zeros).
    static constexpr double kDenormalOffset = 1e-24;

    // Signed maxima over a host block, not magnitudes: max(x, peak) keeps the
    // peak for a NaN x, and keeps the earlier of two equal zeros.
    struct Peaks
    {
        double left = 0.0, right = 0.0;
    };

    // Interleaves n values of two host channels; a null channel reads
    // silence.
    static void Interleave(const double* left, const double* right, double* frames, int n);
    static void Interleave(const float* left, const float* right, double* frames, int n);

    // frames := interleaved (left, right) * gain + 1e-24; the peaks take the
    // values after the gain, before the offset, frame after frame. left and
    // right must not be null. With secondOffset, 1e-24 is added once more
    // after the first ((v + 1e-24) + 1e-24, two roundings): the model's own
    // offset, which it would otherwise add in a pass of its own.
    static void ScaleInput(const double* left, const double* right, double* frames, int n,
                           double gain, Peaks& peak, bool secondOffset = false);

    // left, right := de-interleaved frames * gain, with the peaks taken over
    // those values. A chunk holding a NaN or an infinity after the gain is
    // silenced: its outputs become zeros and its peaks the maximum of the
    // earlier peak and zero, exactly what scanning a zeroed chunk gives.
    static void ScaleOutput(const double* frames, int n, double gain, Peaks& peak, double* left,
                            double* right);

    // The single-precision host channels: each float widened to double
    // (exact) on the way in, each output value narrowed to float (rounded
    // once) after the gain, the check and the peaks, which see the double
    // values. The same bits as widening into double channels, the double
    // passes, then narrowing.
    static void ScaleInput(const float* left, const float* right, double* frames, int n,
                           double gain, Peaks& peak, bool secondOffset = false);
    static void ScaleOutput(const double* frames, int n, double gain, Peaks& peak, float* left,
                            float* right);

    // The scalar forms of ScaleInput and ScaleOutput (Sample is double or
    // float).
    template <class Sample>
    static void ScaleInputScalar(const Sample* left, const Sample* right, double* frames, int n,
                                 double gain, Peaks& peak, bool secondOffset = false);
    template <class Sample>
    static void ScaleOutputScalar(const double* frames, int n, double gain, Peaks& peak,
                                  Sample* left, Sample* right);
};
