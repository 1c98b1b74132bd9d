#include "framework/IFlushDenormals.h"

// <xmmintrin.h> declares compiler intrinsics, not an operating-system
// interface; it exists wherever SSE code can be generated.
#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define KORVALA_HAVE_MXCSR 1
#endif

namespace
{
#ifdef KORVALA_HAVE_MXCSR
// MXCSR bit 15 flushes subnormal results to zero, bit 6 reads subnormal
// operands as zero.
constexpr unsigned kFlushToZero = 0x8000u;
constexpr unsigned kDenormalsAreZero = 0x0040u;
#endif
} // namespace

IFlushDenormals::IFlushDenormals()
{
#ifdef KORVALA_HAVE_MXCSR
    mSaved = _mm_getcsr();
    _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero);
#endif
}

IFlushDenormals::~IFlushDenormals()
{
#ifdef KORVALA_HAVE_MXCSR
    _mm_setcsr(mSaved);
#endif
}

bool IFlushDenormals::Active()
{
#ifdef KORVALA_HAVE_MXCSR
    return true;
#else
    return false;
#endif
}
