#!/usr/bin/env bash
# Windows x64: cross-builds the whole tree with the windows preset (warnings
# as errors), checks the module's export table and static linking, runs the
# test executables and our host under Wine in a fresh prefix private to the
# build, and compares the module's output with the Linux module's for the
# same input and settings ("Analog Emulation" off).
# Exits non-zero if anything failed. Build logs: build/logs/40-windows/.
set -uo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT" || exit 1
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh
BUILD=build/windows
LINUX=build/release
PREFIX="$ROOT/$BUILD/wineprefix"
OBJDUMP=x86_64-w64-mingw32-objdump
DLL="$BUILD/plugin/BraskoKorvala.dll"
HOST="$BUILD/tools/host/korvala-host.exe"
CROSS="$BUILD/tools/win/korvala-crosscheck.exe"
WORK="$ROOT/$BUILD/ci"
failures=()
fail() { echo "windows: FAILED: $*"; failures+=("$1"); }
# shellcheck source=tools/win/wine-env.sh
. tools/win/wine-env.sh "$PREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine_run() { bash tools/win/wine-run.sh "$PREFIX" "$@"; }

echo "--- configure and build ($BUILD)"
logged 40-windows/configure cmake --preset windows -DKORVALA_WERROR=ON ||
  { echo "windows: configure failed"; exit 1; }
# -k: one broken target still leaves the others to test.
logged 40-windows/build cmake --build "$BUILD" -j"$JOBS" -- -k || fail build

echo "--- module"
if [ -f "$DLL" ]; then
  names=$($OBJDUMP -p "$DLL" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
                                    on && NF == 0 { on = 0 } on { print $NF }' | sort | tr '\n' ' ')
  echo "exports: $names"
  [ "$names" = "VSTPluginMain main " ] || fail exports "expected exactly VSTPluginMain and main"
  imports=$($OBJDUMP -p "$DLL" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
  echo "imports: $imports"
  # -static: no MinGW run-time DLL may be needed beside the module.
  if echo "$imports" | grep -qiE 'libstdc|libgcc|libwinpthread|libpng|zlib'; then
    fail imports "the module needs MinGW run-time or library DLLs"
  fi
  $OBJDUMP -h "$DLL" | grep -q '\.rsrc' || fail resources "the module has no resource section"
else
  fail module "$DLL was not built"
fi

echo "--- Wine prefix (fresh for this run)"
rm -rf "$PREFIX" "$PREFIX.lock"
start=$(date +%s)
bash tools/win/wine-prefix.sh "$PREFIX" || { fail wineprefix; exit 1; }
echo "created in $(( $(date +%s) - start )) s"

echo "--- tests under Wine"
# The editor window tests create real windows: Wine needs an X server. The
# Wine processes started on it end with it, before the steps below.
xvfb-run -a -s "-screen 0 1024x768x24" \
  ctest --test-dir "$BUILD" -j"$JOBS" --output-on-failure --timeout 300 || fail ctest
wineserver -k >/dev/null 2>&1 || true

echo "--- our host under Wine"
mkdir -p "$WORK"
if [ -f "$HOST" ] && [ -f "$DLL" ]; then
  wine_run "$HOST" info "$DLL" >"$WORK/info.txt" || fail host-info
  grep -q 'BraskoKorvala' "$WORK/info.txt" || fail host-info "no effect name in the info output"
  head -n 14 "$WORK/info.txt"
  logged 40-windows/host-gen-demo wine_run "$HOST" gen-demo "$WORK/demo.wav" --seconds 2 ||
    fail host-gen-demo
  logged 40-windows/host-render wine_run "$HOST" render "$DLL" "$WORK/demo.wav" \
    "$WORK/win-render.wav" --set "Analog Emulation=@0" --set "Model Type=@0.5" \
    --set "Threshold=@0.4" --block 333 --precision double || fail host-render
  wine_run "$HOST" bench "$DLL" --seconds 1 | tail -n 3 || fail host-bench
else
  fail host "$HOST or $DLL was not built"
fi

echo "--- Linux against Windows"
LINUX_SO="$LINUX/plugin/BraskoKorvala.so"
LINUX_CROSS="$LINUX/tools/win/korvala-crosscheck"
LINUX_HOST="$LINUX/tools/host/korvala-host"
# Brought up to date even when tools/test.sh has just built it: the step may
# also run on its own after edits.
{ { [ -f "$LINUX/CMakeCache.txt" ] || logged 40-windows/linux-configure cmake --preset release; } &&
  logged 40-windows/linux-build cmake --build "$LINUX" -j"$JOBS" \
    --target BraskoKorvala korvala-crosscheck korvala-host; } || fail linux-build
if [ -x "$LINUX_CROSS" ] && [ -f "$LINUX_SO" ] && [ -f "$CROSS" ] && [ -f "$DLL" ]; then
  "$LINUX_CROSS" render "$LINUX_SO" "$WORK/linux.bin" || fail crosscheck-linux
  wine_run "$CROSS" render "$DLL" "$WORK/windows.bin" || fail crosscheck-windows
  # Double-precision renders: only last-bit differences of the two maths
  # libraries (exp, pow, tan) may show.
  "$LINUX_CROSS" compare "$WORK/linux.bin" "$WORK/windows.bin" 1e-12 || fail crosscheck
else
  fail crosscheck "korvala-crosscheck or a module is missing"
fi
if [ -x "$LINUX_HOST" ] && [ -f "$WORK/win-render.wav" ]; then
  logged 40-windows/linux-render "$LINUX_HOST" render "$LINUX_SO" "$WORK/demo.wav" \
    "$WORK/linux-render.wav" --set "Analog Emulation=@0" --set "Model Type=@0.5" \
    --set "Threshold=@0.4" --block 333 --precision double || fail linux-render
  # korvala-host writes 32-bit float WAV; a double difference of the two maths
  # libraries that straddles a float rounding boundary may show, but no
  # sample may move by more than 2^-24 of its magnitude.
  "$LINUX_CROSS" compare-wav "$WORK/linux-render.wav" "$WORK/win-render.wav" ||
    fail host-render-compare
fi

if [ ${#failures[@]} -ne 0 ]; then
  echo "windows: failed: ${failures[*]}"
  exit 1
fi
echo "windows: all passed"
