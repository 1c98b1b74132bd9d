#!/usr/bin/env bash
# Runs every benchmark program once, briefly: figures only, nothing asserted.
set -euo pipefail
cd "${KORVALA_ROOT:-$(dirname "$0")/../..}"
status=0
for exe in build/release/bench/bench_*; do
  [ -x "$exe" ] || continue
  echo "--- $(basename "$exe")"
  "$exe" --benchmark_min_time=0.1 || status=1
done
exit $status
