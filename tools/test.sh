#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the release preset with
# warnings as errors, runs the unit and end-to-end tests through CTest, then
# each step script in tools/ci/ (fuzzers, sanitizers, real hosts, Windows
# under Wine, benchmarks) in name order. Exits non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
export KORVALA_ROOT="$ROOT"
# The validator's seed follows the commit, so a run from a clone of the
# commit CI tests draws the same configurations as CI did; a seed given in
# KORVALA_VALIDATE_SEED wins. Without git each run draws its own.
if [ -z "${KORVALA_VALIDATE_SEED:-}" ] && head=$(git -C "$ROOT" rev-parse --short=8 HEAD 2>/dev/null); then
    export KORVALA_VALIDATE_SEED=$((16#$head))
fi
JOBS=$(nproc 2>/dev/null || echo 2)

bash tools/setup.sh || { echo "setup failed"; exit 1; }

passed=0
failed=0
failures=()

cmake --preset release -DKORVALA_WERROR=ON >/dev/null || { echo "configure failed"; exit 1; }
cmake --build --preset release -j"$JOBS" || { echo "build failed"; exit 1; }

ctest_log=$(mktemp)
ctest --preset release -j"$JOBS" 2>&1 | tee "$ctest_log"
ctest_rc=${PIPESTATUS[0]}
line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$ctest_log" | tail -n 1)
if [ -n "$line" ]; then
  nfail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  ntotal=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
  passed=$((passed + ntotal - nfail))
  failed=$((failed + nfail))
fi
if [ "$ctest_rc" -ne 0 ] && [ "${nfail:-1}" -eq 0 ]; then
  failed=$((failed + 1)); failures+=("ctest")
fi
rm -f "$ctest_log"

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
