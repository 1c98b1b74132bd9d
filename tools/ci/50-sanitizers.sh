#!/usr/bin/env bash
# The whole test suite under AddressSanitizer + UBSan (preset asan, in
# build/asan), including a quick validator run against the asan-built module,
# and the thread tests under ThreadSanitizer (preset tsan, in build/tsan):
# the validator's threads and lifecycle phases, which drive one instance from
# two threads and create instances from two threads at once, plus every
# CTest test labelled tsan (the cases that start threads; tests/CMakeLists.txt
# names them). Any report fails the step. Logs: build/logs/50-sanitizers/.
set -uo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT" || exit 1
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh
status=0

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

echo "--- asan: configure and build"
if logged 50-sanitizers/asan-configure cmake --preset asan &&
    logged 50-sanitizers/asan-build cmake --build build/asan -j"$JOBS"; then
    ctest --test-dir build/asan -j"$JOBS" --output-on-failure || status=1
    echo "--- asan: korvala-validate --quick"
    build/asan/tools/validate/korvala-validate --quick \
        ${KORVALA_VALIDATE_SEED:+--seed "$KORVALA_VALIDATE_SEED"} build/asan/plugin/BraskoKorvala.so ||
        status=1
else
    echo "asan build failed"; status=1
fi

echo "--- tsan: configure and build"
# Only what the thread tests need is built: the module, the validator and the
# test executables that hold cases labelled tsan.
if logged 50-sanitizers/tsan-configure cmake --preset tsan &&
    logged 50-sanitizers/tsan-build cmake --build build/tsan -j"$JOBS" --target BraskoKorvala \
        korvala-validate framework_tests vst_tests validate_tests gui_tests raster_tests gui_x11_tests; then
    # A label that selects nothing fails rather than passing silently.
    ctest --test-dir build/tsan -j"$JOBS" --output-on-failure -L '^tsan$' --no-tests=error ||
        status=1
    echo "--- tsan: korvala-validate threads and lifecycle phases"
    build/tsan/tools/validate/korvala-validate --quick \
        ${KORVALA_VALIDATE_SEED:+--seed "$KORVALA_VALIDATE_SEED"} --only threads,lifecycle \
        build/tsan/plugin/BraskoKorvala.so || status=1
else
    echo "tsan build failed"; status=1
fi
exit $status
