#include "tools/validate/Report.h"

namespace validate
{

namespace
{
// A broken plug-in fails the same check thousands of times; the first ones
// tell the story.
constexpr long kPrintedPerPhase = 20;
} // namespace

void Report::BeginPhase(const std::string& phase)
{
    std::lock_guard<std::mutex> guard(mLock);
    mPhase = phase;
    mPrintedInPhase = 0;
    std::fprintf(mOut, "--- %s\n", phase.c_str());
    std::fflush(mOut);
}

void Report::SetPhase(const std::string& phase)
{
    std::lock_guard<std::mutex> guard(mLock);
    mPhase = phase;
    mPrintedInPhase = 0;
}

void Report::Count(bool ok)
{
    std::lock_guard<std::mutex> guard(mLock);
    ++mChecks;
    if (!ok) ++mFailures;
}

void Report::Fail(const std::string& check, const std::string& configuration,
                  const std::string& detail)
{
    std::lock_guard<std::mutex> guard(mLock);
    ++mChecks;
    ++mFailures;
    if (mPrintedInPhase < kPrintedPerPhase)
    {
        std::fprintf(mOut, "FAIL [%s] %s: %s (%s)\n", mPhase.c_str(), check.c_str(), detail.c_str(),
                     configuration.c_str());
    }
    else if (mPrintedInPhase == kPrintedPerPhase)
    {
        std::fprintf(mOut, "FAIL [%s] ... further failures of this phase are only counted\n",
                     mPhase.c_str());
    }
    ++mPrintedInPhase;
    std::fflush(mOut);
}

bool Report::Expect(bool ok, const std::string& check, const std::string& configuration,
                    const std::string& detail)
{
    if (ok)
        Pass();
    else
        Fail(check, configuration, detail);
    return ok;
}

void Report::CountConfiguration(long n)
{
    std::lock_guard<std::mutex> guard(mLock);
    mConfigurations += n;
}

void Report::Note(const std::string& text)
{
    std::lock_guard<std::mutex> guard(mLock);
    std::fprintf(mOut, "note [%s] %s\n", mPhase.c_str(), text.c_str());
    std::fflush(mOut);
}

long Report::Checks() const
{
    std::lock_guard<std::mutex> guard(mLock);
    return mChecks;
}

long Report::Failures() const
{
    std::lock_guard<std::mutex> guard(mLock);
    return mFailures;
}

long Report::Configurations() const
{
    std::lock_guard<std::mutex> guard(mLock);
    return mConfigurations;
}

void Report::Merge(long checks, long failures, long configurations)
{
    std::lock_guard<std::mutex> guard(mLock);
    mChecks += checks;
    mFailures += failures;
    mConfigurations += configurations;
}

} // namespace validate
