#pragma once

// Scoped flush-to-zero and denormals-are-zero for the calling thread: while an
// object lives, subnormal results of floating-point operations become 0 and
// subnormal operands read as 0; its destructor restores the control word the
// constructor found. Recursions that decay on silence (envelopes, mean
// squares, filter memories fed exact zeros) would otherwise spend minutes in
// subnormal numbers, which cost many times a normal operation on x86.
// Results that never pass through a subnormal are unchanged bit for bit.
//
// On x86 (SSE) it sets the FTZ and DAZ bits of MXCSR; elsewhere it does
// nothing and Active() is false. Not copyable: one object per scope.
class IFlushDenormals
{
  public:
    IFlushDenormals();
    ~IFlushDenormals();

    IFlushDenormals(const IFlushDenormals&) = delete;
    IFlushDenormals& operator=(const IFlushDenormals&) = delete;

    // Whether this build can set the mode on this architecture.
    static bool Active();

  private:
    unsigned mSaved = 0;
};
