#include "tools/validate/Isolation.h"

namespace validate
{

bool Isolation::Available()
{
    return false;
}

void Isolation::Run(const std::function<void(Report&)>& phase, Report& report, bool /*isolate*/,
                    unsigned /*timeLimitSeconds*/)
{
    // No fork: a crash here ends the validator, whose non-zero status fails the run.
    phase(report);
}

} // namespace validate
