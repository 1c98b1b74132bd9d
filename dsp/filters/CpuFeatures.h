#pragma once

namespace Dsp
{

// The processor's feature flags from CPUID leaf 1, read once when the module
// loads. All false on processors other than x86 (and before the module's
// static initialisation has run, which only selects the general paths).
class CpuFeatures
{
  public:
    bool mmx = false;
    bool fxsr = false;
    bool sse = false;
    bool sse2 = false;
    bool sse3 = false;
    bool ssse3 = false;
    bool sse41 = false;
    bool sse42 = false;

    static const CpuFeatures& Get();

    // Queries the processor now; Get() holds the answer taken at load.
    static CpuFeatures Read();
};

} // namespace Dsp
