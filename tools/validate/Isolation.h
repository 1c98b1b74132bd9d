#pragma once

#include "tools/validate/Report.h"

#include <functional>

namespace validate
{

// Runs one phase of the validator so that a crash of the plug-in is reported
// as a failure of that phase instead of ending the run silently.
//
// On POSIX the phase runs in a forked child process with a time limit; the
// child's counts come back through a pipe, and a signal, a non-zero exit
// (sanitizers exit non-zero after a report) or the time limit becomes a
// failure in the parent's report. Where fork does not exist (Windows) the
// phase runs in this process: a crash then ends the validator with a non-zero
// status, which still fails the run.
class Isolation
{
  public:
    // Whether phases really run in a separate process here.
    static bool Available();

    // Runs phase with a fresh report (the child's) or with report itself
    // (in-process). timeLimitSeconds bounds a hung phase (0: no limit).
    static void Run(const std::function<void(Report&)>& phase, Report& report, bool isolate,
                    unsigned timeLimitSeconds);
};

} // namespace validate
