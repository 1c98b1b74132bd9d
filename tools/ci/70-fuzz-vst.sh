#!/usr/bin/env bash
# Builds the plug-in fuzzers (effString2Parameter and the dispatcher, both
# through the real module) with the "fuzz" preset and runs each for 40
# seconds from its seed corpus. Fails on any crash, hang, sanitizer report or
# failed check; prints the executions per second of each.
set -euo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT"
SECONDS_TO_RUN="${KORVALA_FUZZ_SECONDS:-40}"
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh

logged 70-fuzz-vst/configure cmake --preset fuzz
logged 70-fuzz-vst/build cmake --build build/fuzz --target FuzzString2Parameter FuzzDispatcher -j"$JOBS"

status=0
for pair in FuzzString2Parameter:string2parameter FuzzDispatcher:dispatcher; do
    fuzzer=${pair%%:*}
    corpus=${pair#*:}
    # New inputs go to a scratch folder; the committed seeds stay as they are.
    work=$(mktemp -d)
    log="$KORVALA_LOGS/70-fuzz-vst/$fuzzer.log"
    rc=0
    ASAN_OPTIONS=detect_leaks=1 "build/fuzz/tests/fuzz/$fuzzer" \
        -max_total_time="$SECONDS_TO_RUN" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "tests/fuzz/corpus/$corpus" >"$log" 2>&1 || rc=$?
    grep -E '^(Done|stat::number_of_executed_units)' "$log" || true
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    echo "$fuzzer: ${rate:-?} executions per second"
    if [ "$rc" -ne 0 ]; then
        tail -n 60 "$log"
        for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-*; do
            [ -e "$f" ] || continue
            echo "reproducer $(basename "$f"):"; od -A d -t x1 "$f" | head -n 20
        done
        echo "$fuzzer failed (exit $rc)"
        status=1
    fi
    rm -rf "$work"
done
exit $status
