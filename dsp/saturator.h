#pragma once

#include "dsp/filters/Dsp.h"

// Adds low-order harmonics computed from a band-limited copy of the signal.
// Content above the band limit (0.064 cycles per sample, whatever the rate)
// passes untouched; the even-order terms, scaled by the drive, make the curve
// asymmetric and add DC that the analog stage's DC blocker removes.
class saturator final
{
  public:
    // Frames per piece of the band-limited copy, which lives on the stack
    // (8 KiB): longer blocks are worked piece by piece.
    static constexpr int kMaxFrames = 512;

    saturator() = default;

    // Stores the drive (amount of even harmonics), designs the band limit
    // (the same design every time: it does not depend on the rate) and
    // clears the flag.
    void SetDrive(double driveAmount);

    // In place over interleaved stereo frames; any count (longer blocks are
    // worked through the copy in pieces, which gives the same result as the
    // filter is sequential).
    void Process(double* frames, int frameCount);

    // One value: x plus the harmonics of its band-limited copy b. The
    // evaluation order is fixed (powers by repeated multiplication, then the
    // even terms scaled by the drive, then the odd ones subtracted); the
    // analog stage's packed pass mirrors it operation for operation.
    static double Shape(double x, double b, double driveAmount)
    {
        const double b2 = b * b;
        const double b3 = b2 * b;
        const double b4 = b3 * b;
        const double b5 = b4 * b;
        const double b6 = b5 * b;
        return x + driveAmount * (0.5 * b2 + 0.25 * b4 + 0.125 * b6) - 0.15 * b3 - 0.075 * b5;
    }

    // The band limit's memory: finite-state check and the way back to the
    // constructed state (design and drive are kept).
    bool IsStateFinite() const { return bandLimit.IsStateFinite(); }
    void ResetState() { bandLimit.ResetState(); }

    // Stored and cleared by SetDrive; nothing reads it.
    virtual void SetFlag(bool on) { flag = on; }

    Dsp::ChebyILowPass<4, 2> bandLimit;
    // 0 until SetDrive: the harmonics are then 0 as well, as the undesigned band
    // limit outputs zeros.
    double drive = 0.0;
    bool flag = false;
};
