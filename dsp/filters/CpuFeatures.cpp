#include "dsp/filters/CpuFeatures.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define DSP_HAVE_CPUID 1
#endif

namespace Dsp
{

namespace
{
// Dynamic initialisation at module load; until then (static initialisers of
// other modules) every flag reads false, which only picks the general paths.
const CpuFeatures g_features = CpuFeatures::Read();
} // namespace

const CpuFeatures& CpuFeatures::Get()
{
    return g_features;
}

CpuFeatures CpuFeatures::Read()
{
    CpuFeatures f;
#ifdef DSP_HAVE_CPUID
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx))
    {
        f.mmx = (edx >> 23) & 1u;
        f.fxsr = (edx >> 24) & 1u;
        f.sse = (edx >> 25) & 1u;
        f.sse2 = (edx >> 26) & 1u;
        f.sse3 = ecx & 1u;
        f.ssse3 = (ecx >> 9) & 1u;
        f.sse41 = (ecx >> 19) & 1u;
        f.sse42 = (ecx >> 20) & 1u;
    }
#endif
    return f;
}

} // namespace Dsp
