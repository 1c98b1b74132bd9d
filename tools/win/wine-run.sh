#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix PREFIX_DIR, creating the
# prefix first when needed; the program's exit status is passed on. CMake uses
# it as the cross-compiling emulator, so CTest runs the .exe tests through it.
# Usage: tools/win/wine-run.sh PREFIX_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 PREFIX_DIR PROGRAM [ARGS...]" >&2; exit 2; }
HERE=$(dirname "$0")
bash "$HERE/wine-prefix.sh" "$1"
mkdir -p "$(dirname "$1")"
PREFIX=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
# shellcheck source=tools/win/wine-env.sh
. "$HERE/wine-env.sh" "$PREFIX"
exec wine "$@"
