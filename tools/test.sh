#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the release preset with
# warnings as errors, runs the unit and end-to-end tests through CTest, then
# each step script in tools/ci/ (fuzzers, sanitizers, real hosts, Windows
# under Wine, benchmarks) in name order. Exits non-zero if anything failed.
#
# Every step is judged by its exit code. Build and run logs stay in
# build/logs/ (the tail of a failing one is printed). The closing line
# "summary: N passed, N failed" counts each CTest test and each step.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
ROOT=$(pwd)
export KORVALA_ROOT="$ROOT"
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh
# The validator's seed follows the commit, so a run from a clone of the
# commit CI tests draws the same configurations as CI did; a seed given in
# KORVALA_VALIDATE_SEED wins. Without git each run draws its own.
if [ -z "${KORVALA_VALIDATE_SEED:-}" ] && head=$(git -C "$ROOT" rev-parse --short=8 HEAD 2>/dev/null); then
    export KORVALA_VALIDATE_SEED=$((16#$head))
fi
mkdir -p "$KORVALA_LOGS"

bash tools/setup.sh 2>&1 | tee "$KORVALA_LOGS/setup.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "setup failed (log: $KORVALA_LOGS/setup.log)"; exit 1; }

passed=0
failed=0
failures=()

echo "--- configure and build (release, $JOBS jobs; logs in $KORVALA_LOGS)"
logged configure cmake --preset release -DKORVALA_WERROR=ON || { echo "configure failed"; exit 1; }
logged build cmake --build --preset release -j"$JOBS" || { echo "build failed"; exit 1; }

# CTest's verdict is its exit code; the counts come from its JUnit report,
# one <testcase> per test whose status is run (passed), fail, or notrun (its
# executable missing: a failure too).
junit="$KORVALA_LOGS/ctest.xml"
rm -f "$junit"
ctest --preset release -j"$JOBS" --output-junit "$junit" 2>&1 | tee "$KORVALA_LOGS/ctest.log"
ctest_rc=${PIPESTATUS[0]}
ctest_passed=0
ctest_failed=0
if [ -f "$junit" ]; then
  ctest_passed=$(grep '<testcase ' "$junit" | grep -c 'status="run"' || true)
  ctest_failed=$(grep '<testcase ' "$junit" | grep -cE 'status="(fail|notrun)"' || true)
fi
passed=$((passed + ctest_passed))
failed=$((failed + ctest_failed))
if [ "$ctest_rc" -ne 0 ]; then
  failures+=("ctest")
  # A failure the report does not show (CTest itself failed) still counts.
  [ "$ctest_failed" -eq 0 ] && failed=$((failed + 1))
fi

for step in tools/ci/*.sh; do
  [ -e "$step" ] || continue
  name=$(basename "$step" .sh)
  echo
  echo "=== step $name ==="
  start=$(date +%s)
  if bash "$step"; then
    passed=$((passed + 1))
    echo "=== step $name passed ($(( $(date +%s) - start )) s) ==="
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "=== step $name FAILED ($(( $(date +%s) - start )) s) ==="
  fi
done

echo
if [ "$failed" -ne 0 ]; then
  echo "failed: ${failures[*]:-}"
fi
echo "summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
