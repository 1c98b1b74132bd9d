#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace validate
{

// Collects what the validator found. Every check that is run is counted;
// failures are printed when they happen, with the phase and configuration
// they belong to, so that the log reads in order. Only the first few failures
// of one kind within a phase are printed in full; the rest are counted.
//
// Thread-safe: the automation phase reports from two threads. Never called
// while a process call is being counted for allocations.
class Report
{
  public:
    explicit Report(std::FILE* out = stdout) : mOut(out) {}

    // Starts a phase: prints its heading. SetPhase only names it (a child
    // process continuing its parent's phase).
    void BeginPhase(const std::string& phase);
    void SetPhase(const std::string& phase);
    const std::string& Phase() const { return mPhase; }
    std::FILE* Stream() const { return mOut; }

    // One check passed or failed. The check name is short and stable
    // ("finite-output", "no-allocation", ...); detail says what was seen.
    void Pass() { Count(true); }
    void Fail(const std::string& check, const std::string& configuration,
              const std::string& detail);
    // Convenience: counts a pass or reports a failure.
    bool Expect(bool ok, const std::string& check, const std::string& configuration,
                const std::string& detail);

    // A processing configuration (rate, block size, precision, settings) was run.
    void CountConfiguration(long n = 1);
    // A note that is neither pass nor fail (e.g. a check that this build cannot make).
    void Note(const std::string& text);

    long Checks() const;
    long Failures() const;
    long Configurations() const;

    // Adds counts that a child process reported.
    void Merge(long checks, long failures, long configurations);

  private:
    void Count(bool ok);

    std::FILE* mOut;
    mutable std::mutex mLock;
    std::string mPhase;
    long mChecks = 0;
    long mFailures = 0;
    long mConfigurations = 0;
    long mPrintedInPhase = 0;
};

} // namespace validate
