#!/usr/bin/env bash
# Builds libpng as a static library for Windows x64 from Debian's own source
# package, and installs it under DEST (default build/windows/deps):
#   DEST/libpng/include/png.h ...   DEST/libpng/lib/libpng16.a
# Skips everything when DEST/libpng/lib/libpng16.a is already there.
#
# The source comes through a private apt configuration (own sources list,
# state and cache under DEST/apt) holding one deb-src entry: the system's
# Debian mirror, suite bookworm, component main. The version is pinned to the
# one that index lists, so apt never falls back to the security suite, whose
# source files the mirrors do not reliably serve. dpkg-source -x unpacks it
# and applies Debian's patches; libpng's CMake builds it with our toolchain
# file against the static zlib of libz-mingw-w64-dev.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
DEST=$(mkdir -p "${1:-$ROOT/build/windows/deps}" && cd "${1:-$ROOT/build/windows/deps}" && pwd)
PREFIX="$DEST/libpng"
SUITE=bookworm
SOURCE_PACKAGE=libpng1.6
SYSROOT=/usr/x86_64-w64-mingw32

if [ -f "$PREFIX/lib/libpng16.a" ] && [ -f "$PREFIX/include/png.h" ]; then
  echo "libpng: present in $PREFIX"
  exit 0
fi
for tool in apt-get dpkg-source cmake x86_64-w64-mingw32-gcc-posix; do
  command -v "$tool" >/dev/null || { echo "libpng: $tool is missing (run tools/setup.sh)" >&2; exit 1; }
done
[ -f "$SYSROOT/lib/libz.a" ] || { echo "libpng: $SYSROOT/lib/libz.a is missing (libz-mingw-w64-dev)" >&2; exit 1; }

# The Debian mirror the system already uses for the suite's main component,
# from deb822 .sources files or one-line .list files.
mirror() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v suite="$SUITE" '
      function flush() { if (deb && main && hit && uri != "") { print uri; exit } deb = main = hit = 0; uri = "" }
      /^[[:space:]]*$/ { flush(); next }
      /^Types:/ { deb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) hit = 1 }
      /^Components:/ { for (i = 2; i <= NF; i++) if ($i == "main") main = 1 }
      END { flush() }' "$f"
  done
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk -v suite="$SUITE" '$1 == "deb" {
      i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) for (j = i + 2; j <= NF; j++) if ($j == "main") { print $i; exit } }'
  return 0
}
MIRROR=$(mirror 2>/dev/null | head -n 1 || true)
MIRROR=${MIRROR:-http://deb.debian.org/debian}
echo "libpng: source from $MIRROR $SUITE main"

APT="$DEST/apt"
rm -rf "$APT"
mkdir -p "$APT/etc/sources.list.d" "$APT/etc/preferences.d" "$APT/state/lists/partial" \
  "$APT/cache/archives/partial" "$APT/src"
: >"$APT/state/status"
KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg
SIGNED=""
[ -f "$KEYRING" ] && SIGNED=" [signed-by=$KEYRING]"
echo "deb-src$SIGNED $MIRROR $SUITE main" >"$APT/etc/sources.list"
cat >"$APT/apt.conf" <<CONF
Dir::Etc::SourceList "$APT/etc/sources.list";
Dir::Etc::SourceParts "$APT/etc/sources.list.d";
Dir::Etc::Preferences "$APT/etc/preferences";
Dir::Etc::PreferencesParts "$APT/etc/preferences.d";
Dir::State "$APT/state";
Dir::State::status "$APT/state/status";
Dir::Cache "$APT/cache";
Acquire::Languages "none";
APT::Sandbox::User "root";
CONF
export APT_CONFIG="$APT/apt.conf"

apt-get update -qq -o Debug::NoLocking=1
VERSION=${KORVALA_LIBPNG_VERSION:-$(apt-cache showsrc "$SOURCE_PACKAGE" | awk '/^Version:/ { print $2; exit }')}
[ -n "$VERSION" ] || { echo "libpng: $SOURCE_PACKAGE not found in $SUITE main" >&2; exit 1; }
echo "libpng: $SOURCE_PACKAGE=$VERSION"
(cd "$APT/src" && apt-get source --download-only -qq -o Debug::NoLocking=1 "$SOURCE_PACKAGE=$VERSION")
DSC=$(ls "$APT/src"/*.dsc | head -n 1)

SRC="$DEST/libpng-src"
rm -rf "$SRC" "$DEST/libpng-build"
dpkg-source --no-check -x "$DSC" "$SRC" >/dev/null
cmake -S "$SRC" -B "$DEST/libpng-build" \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON \
  -DZLIB_INCLUDE_DIR="$SYSROOT/include" -DZLIB_LIBRARY="$SYSROOT/lib/libz.a" >/dev/null
cmake --build "$DEST/libpng-build" -j"${KORVALA_JOBS:-2}" >/dev/null
cmake --install "$DEST/libpng-build" >/dev/null
# Only the static library and headers are kept: the source, the object files
# and the apt state are not needed again.
rm -rf "$SRC" "$DEST/libpng-build" "$APT"
echo "$VERSION" >"$PREFIX/VERSION"
[ -f "$PREFIX/lib/libpng16.a" ] || { echo "libpng: build gave no libpng16.a" >&2; exit 1; }
echo "libpng: installed $PREFIX/lib/libpng16.a"
