#!/usr/bin/env bash
# Creates the Wine prefix PREFIX_DIR once (about 10 s) and leaves it alone when
# it already exists; safe to call from parallel test runs (a lock serialises
# the creation). Usage: tools/win/wine-prefix.sh PREFIX_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PREFIX_DIR" >&2; exit 2; }
mkdir -p "$(dirname "$1")"
PREFIX=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
# shellcheck source=tools/win/wine-env.sh
. "$(dirname "$0")/wine-env.sh" "$PREFIX"

exec 9>"$PREFIX.lock"
flock 9
[ -f "$PREFIX/.korvala-ready" ] && exit 0
command -v wine >/dev/null || { echo "wine-prefix: wine is missing (run tools/setup.sh)" >&2; exit 1; }
rm -rf "$PREFIX"
wineboot -i >/dev/null 2>&1
# Without a window manager, destroying a top-level window stalls for 2 s in
# Wine unless its X11 driver leaves the windows unmanaged.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$PREFIX/.korvala-ready"
