#!/usr/bin/env bash
# Installs, idempotently, the Debian packages that the build, the tests, the
# demo and the benchmarks need. Safe to run again: present packages are skipped.
set -euo pipefail

# Installed with their recommends.
PACKAGES=(
  build-essential cmake git pkg-config python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libsndfile1-dev gnuplot-nox
  zlib1g-dev libpng-dev libx11-dev
  libxcb1-dev libxcb-shm0-dev libxcb-keysyms1-dev libxcb-xtest0-dev
  fonts-liberation2 libfreetype-dev libfontconfig-dev
  xvfb xauth xdotool x11-utils imagemagick
  mingw-w64 g++-mingw-w64-x86-64 libz-mingw-w64-dev dpkg-dev
  lintian file gzip man-db unzip
  wine64
  lsp-plugins-vst zam-plugins
  python3-cairo fonts-liberation2 fontconfig
)
# Installed without recommends (Ardour and MusE would pull in a desktop otherwise).
PACKAGES_NO_RECOMMENDS=(
  ardour muse jackd2
)

missing() {
  local p out=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
      out+=("$p")
    fi
  done
  echo "${out[@]:-}"
}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

need=$(missing "${PACKAGES[@]}")
need_nr=$(missing "${PACKAGES_NO_RECOMMENDS[@]}")
if [ -z "$need" ] && [ -z "$need_nr" ]; then
  echo "setup: all packages present"
  exit 0
fi
echo "setup: installing: $need $need_nr"
$SUDO apt-get update -qq
if [ -n "$need" ]; then
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -qq $need
fi
if [ -n "$need_nr" ]; then
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -qq --no-install-recommends $need_nr
fi
