#!/usr/bin/env bash
# Builds the chunk-reader fuzz target with the "fuzz" preset (clang,
# libFuzzer, AddressSanitizer and UBSan) and runs it for 40 seconds from the
# seed corpus of valid program and bank chunks; then our host's .fxp/.fxb
# reader for 15 seconds from its seed files. Fails on any crash, sanitizer
# report or failed check; prints the executions per second.
set -euo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT"
SECONDS_TO_RUN="${KORVALA_FUZZ_SECONDS:-40}"
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh

logged 10-fuzz-chunks/configure cmake --preset fuzz
logged 10-fuzz-chunks/build cmake --build build/fuzz --target fuzz_chunks fuzz_preset_files -j"$JOBS"

# New inputs go to a scratch folder; the committed seeds stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log="$KORVALA_LOGS/10-fuzz-chunks/run.log"

status=0
ASAN_OPTIONS=detect_leaks=1 build/fuzz/tests/fuzz/fuzz_chunks \
    -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 -artifact_prefix="$work/" \
    "$work" tests/fuzz/corpus/chunks >"$log" 2>&1 || status=$?

grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log" || true
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
echo "fuzz_chunks: ${rate:-?} executions per second"
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* 2>/dev/null || true
    echo "fuzz_chunks failed (exit $status)"
    exit 1
fi

# The host's preset-file reader: arbitrary bytes in, no fault, and whatever
# it accepts writes back in a canonical form.
PRESET_SECONDS="${KORVALA_FUZZ_PRESET_SECONDS:-15}"
log="$KORVALA_LOGS/10-fuzz-chunks/presets.log"
mkdir "$work/presets"
status=0
ASAN_OPTIONS=detect_leaks=1 build/fuzz/tests/fuzz/fuzz_preset_files \
    -max_total_time="$PRESET_SECONDS" -print_final_stats=1 -artifact_prefix="$work/presets/" \
    "$work/presets" tests/fuzz/corpus/presets >"$log" 2>&1 || status=$?
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
echo "fuzz_preset_files: ${rate:-?} executions per second"
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    ls "$work"/presets/crash-* "$work"/presets/leak-* 2>/dev/null || true
    echo "fuzz_preset_files failed (exit $status)"
    exit 1
fi
