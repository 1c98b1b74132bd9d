#!/usr/bin/env bash
# Prints the side-by-side CPU table of our models and the peer compressors
# (bench/compare, short CI form) for build/release. Figures only: the step
# fails only when the comparison cannot run at all.
set -euo pipefail
cd "${KORVALA_ROOT:-$(dirname "$0")/../..}"
if [ ! -x build/release/tools/host/korvala-host ] || [ ! -f build/release/plugin/BraskoKorvala.so ]; then
  echo "95-compare: build/release lacks korvala-host or BraskoKorvala.so"
  exit 1
fi
python3 bench/compare --build build/release --ci
