#!/usr/bin/env bash
# Builds the release packages with CPack (cmake/KorvalaPackaging.cmake):
#
#   bash tools/package.sh           build/release/packages/braskokorvala_<version>_amd64.deb
#   bash tools/package.sh windows   build/windows/packages/BraskoKorvala-<version>-win64.zip
#
# Configures the preset's build folder when it has not been configured yet
# (KORVALA_WERROR is left as the folder has it) and builds only what the
# package holds; an existing build is reused. Prints the package's path on
# the last line. Needs what tools/setup.sh installs (dpkg-dev for the Depends
# line; mingw-w64 for the archive).
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${KORVALA_JOBS:-$(nproc 2>/dev/null || echo 2)}

case "${1:-deb}" in
  deb | linux)
    preset=release
    targets=(BraskoKorvala korvala-host korvala_package_files)
    generator=DEB
    ;;
  windows | zip)
    preset=windows
    targets=(BraskoKorvala korvala-host)
    generator=ZIP
    ;;
  *)
    echo "usage: $0 [deb|windows]" >&2
    exit 2
    ;;
esac
build=build/$preset

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset "$preset" >/dev/null
fi
# The Debian package puts the plug-in under /usr: an absolute
# KORVALA_VST_INSTALL_DIR (a user-local install, e.g. ~/.vst) cannot be packaged.
vst_dir=$(sed -n 's/^KORVALA_VST_INSTALL_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
case "$vst_dir" in
  /*)
    echo "package: $build has KORVALA_VST_INSTALL_DIR=$vst_dir (absolute);" \
         "reconfigure with -DKORVALA_VST_INSTALL_DIR=lib/vst to package" >&2
    exit 1
    ;;
esac

cmake --build "$build" -j"$JOBS" --target "${targets[@]}"
rm -rf "$build/packages"
(cd "$build" && cpack -G "$generator" --config CPackConfig.cmake)
package=$(find "$build/packages" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) | head -n 1)
[ -n "$package" ] || { echo "package: cpack made no package in $build/packages" >&2; exit 1; }
echo "$package"
