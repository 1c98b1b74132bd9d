// The allocation hook counts what the armed thread allocates, whichever way
// it allocates, and nothing of other threads.

#include "tools/validate/AllocationCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using validate::AllocationCounter;

namespace
{
// Where the test's allocations escape to, so the compiler cannot elide them.
void* volatile gEscape = nullptr;
} // namespace

TEST(AllocationCounter, CountsMallocNewAndContainerGrowthOnTheArmedThread)
{
    ASSERT_TRUE(AllocationCounter::Available());
    long allocations = -1, releases = -1;
    AllocationCounter::Arm();
    void* volatile p = std::malloc(32);
    std::free(p);
    auto q = std::make_unique<int[]>(100);
    gEscape = q.get();
    q.reset();
    std::vector<double> v;
    v.resize(1000);
    gEscape = v.data();
    AllocationCounter::Disarm(allocations, releases);
    EXPECT_EQ(allocations, 3);
    EXPECT_EQ(releases, 2); // the vector is still alive
}

TEST(AllocationCounter, IgnoresOtherThreadsAndDisarmedTime)
{
    std::atomic<bool> go{false}, done{false};
    std::thread other(
        [&]
        {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < 100; ++i)
            {
                std::string s(1000, 'x');
                (void)s;
            }
            done.store(true);
        });
    long allocations = -1, releases = -1;
    AllocationCounter::Arm();
    go.store(true);
    while (!done.load())
        std::this_thread::yield();
    AllocationCounter::Disarm(allocations, releases);
    other.join();
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(releases, 0);

    // Disarmed, nothing is counted either.
    std::vector<int>* v = new std::vector<int>(10);
    delete v;
    AllocationCounter::Arm();
    AllocationCounter::Disarm(allocations, releases);
    EXPECT_EQ(allocations, 0);
}
