#include "dsp/filters/Invariant.h"

#include <cstdio>
#include <cstdlib>

namespace Dsp
{

void InvariantFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s, file %s, line %d\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace Dsp
