#!/usr/bin/env bash
# The Windows editor's pixels under Wine with an X server of its own
# (xvfb-run -a): korvala-host.exe edit opens the panel in its Win32 window
# for a fixed state, takes a screenshot from the plug-in's window, and
# korvala-panel (Linux, no window) checks it pixel for pixel outside text
# and meters. (The editor's input tests, win32_editor_tests.exe with the
# scenarios shared with the X11 tests, run in 40-windows.sh's CTest.) The screenshot is kept as
# build/windows/ci/editor-wine.png (and the Linux panel beside it).
# Builds only what it needs when 40-windows.sh has not built it already.
# Exits non-zero if anything failed. Logs: build/logs/41-windows-editor/.
set -uo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT" || exit 1
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh

# Our own X server: Wine draws its windows there.
if [ -z "${KORVALA_WINE_XVFB:-}" ]; then
  export KORVALA_WINE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

BUILD=build/windows
LINUX=build/release
PREFIX="$ROOT/$BUILD/wineprefix"
DLL="$BUILD/plugin/BraskoKorvala.dll"
HOST="$BUILD/tools/host/korvala-host.exe"
PANEL="$LINUX/tools/panel/korvala-panel"
WORK="$ROOT/$BUILD/ci"
failures=()
fail() { echo "windows-editor: FAILED: $*"; failures+=("$1"); }
# shellcheck source=tools/win/wine-env.sh
. tools/win/wine-env.sh "$PREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine_run() { bash tools/win/wine-run.sh "$PREFIX" "$@"; }

echo "--- build (what is missing)"
{ [ -f "$BUILD/CMakeCache.txt" ] || logged 41-windows-editor/configure cmake --preset windows -DKORVALA_WERROR=ON; } &&
  logged 41-windows-editor/build cmake --build "$BUILD" -j"$JOBS" \
    --target BraskoKorvala korvala-host || fail build
{ { [ -f "$LINUX/CMakeCache.txt" ] || logged 41-windows-editor/linux-configure cmake --preset release; } &&
  logged 41-windows-editor/linux-build cmake --build "$LINUX" -j"$JOBS" --target korvala-panel; } ||
  fail linux-build

echo "--- the panel in korvala-host.exe edit against the Linux panel"
mkdir -p "$WORK"
SHOT="$WORK/editor-wine.ppm"
rm -f "$SHOT" "$WORK/editor-wine.png" "$WORK/editor-linux.png"
# A state that shows every kind of control away from its default: a model
# other than the first, a switch off, knobs moved.
SETTINGS=(--set "Model Type=FET" --set "Oversampling=off" --set "Threshold=-20" --set "Ratio=4"
          --set "Sidechain Filter=120" --set "Input Gain=-6")
if [ -f "$HOST" ] && [ -f "$DLL" ] && [ -x "$PANEL" ]; then
  # The screenshot is written through Wine's Z: drive (the whole Unix tree).
  logged 41-windows-editor/host-edit wine_run "$HOST" edit "$DLL" "${SETTINGS[@]}" \
    --quit-after 1.5 --screenshot "Z:${SHOT//\//\\}" || fail host-edit
  if [ -f "$SHOT" ]; then
    command -v convert >/dev/null && convert "$SHOT" "$WORK/editor-wine.png"
    "$PANEL" "$WORK/editor-linux.png" "${SETTINGS[@]}" --seconds 0 --compare "$SHOT" ||
      fail pixels "the Wine screenshot differs from the Linux panel outside text and meters"
  else
    fail host-edit "no screenshot"
  fi
else
  fail host-edit "$HOST, $DLL or $PANEL is missing"
fi

if [ ${#failures[@]} -ne 0 ]; then
  echo "windows-editor: failed: ${failures[*]}"
  exit 1
fi
echo "windows-editor: all passed (screenshot: $BUILD/ci/editor-wine.png)"
