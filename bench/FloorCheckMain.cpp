// bench_floor_check: the floor benchmark's bit-identity checks as a test
// program (no Google Benchmark needed). Fails when any fast form differs.

#include "FloorChecks.h"

#include <cstdio>

int main()
{
    const int failures = RunFloorChecks();
    if (failures != 0) std::printf("%d fast form(s) differ from their reference\n", failures);
    return failures == 0 ? 0 : 1;
}
