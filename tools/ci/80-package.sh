#!/usr/bin/env bash
# Installed the way Linux users install their plug-ins, and found without
# configuration:
#   1. tools/package.sh builds braskokorvala_<version>_amd64.deb from
#      build/release; its files, version and Depends are checked and lintian
#      must report no error (its warnings are printed).
#   2. apt-get installs it into this machine.
#   3. Ardour 7, with no LXVST_PATH and fresh settings, walks its default
#      VST 2 path (which holds /usr/lib/vst) and lists
#      /usr/lib/vst/BraskoKorvala.so; Ardour's scanner reads it there, and a
#      headless Ardour project loads it by name from that scan.
#   4. /usr/bin/korvala-host renders the demo through
#      /usr/lib/vst/BraskoKorvala.so, bit for bit as the build tree's host and
#      module do.
#   5. apt-get remove --purge leaves none of the package's paths behind.
#   6. tools/package.sh windows builds BraskoKorvala-<version>-win64.zip from
#      build/windows (made by 40-windows.sh); unpacked into an empty folder,
#      its korvala-host.exe runs "info" on its DLL under Wine.
# The package is purged on every exit, so a failed run leaves nothing
# installed. Files stay in build/package-check, logs in build/logs/80-package.
set -uo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT" || exit 1
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh

WORK=$ROOT/build/package-check
PACKAGE=braskokorvala
WIN_PREFIX="$ROOT/build/windows/wineprefix"
failures=()
fail() { echo "package: FAIL  $*"; failures+=("$1"); }
ok() { echo "package: ok    $*"; }
# check DESCRIPTION COMMAND...: ok or FAIL by COMMAND's exit code.
check() {
  local what=$1
  shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
apt_get() {
  # Another apt may hold the lock for a while: wait for it rather than fail.
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -q "$@"
}
installed() { dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q 'install ok installed'; }
purge() { installed && apt_get remove --purge "$PACKAGE" >"$KORVALA_LOGS/80-package/purge-on-exit.log" 2>&1; }
finish() {
  purge
  wineserver -k >/dev/null 2>&1 || true
}
trap finish EXIT

rm -rf "$WORK"
mkdir -p "$WORK" "$KORVALA_LOGS/80-package"
# A package left by an interrupted run would hide what this one installs.
if installed; then
  echo "package: removing $PACKAGE left installed by an earlier run"
  apt_get remove --purge "$PACKAGE" >/dev/null
fi

phase_start=$(date +%s)
# phase TITLE: a heading, with the seconds the previous phase took.
phase() {
  local now
  now=$(date +%s)
  echo "    ($((now - phase_start)) s)"
  phase_start=$now
  echo "--- $1"
}
echo "--- 1. the Debian package"
logged 80-package/deb bash tools/package.sh deb || { fail "tools/package.sh deb"; exit 1; }
DEB=$(tail -n 1 "$KORVALA_LOGS/80-package/deb.log")
[ -f "$DEB" ] || { fail "no package at \"$DEB\""; exit 1; }
DEB=$(cd "$(dirname "$DEB")" && pwd)/$(basename "$DEB")
echo "package: $DEB"
BUILT_HOST=build/release/tools/host/korvala-host
BUILT_MODULE=build/release/plugin/BraskoKorvala.so
VERSION=$("$BUILT_HOST" --version | awk '{ print $2 }')
check "file name braskokorvala_${VERSION}_amd64.deb" \
  test "$(basename "$DEB")" = "braskokorvala_${VERSION}_amd64.deb"
check "Version $(dpkg-deb -f "$DEB" Version) = korvala-host --version" \
  test "$(dpkg-deb -f "$DEB" Version)" = "$VERSION"
check "Architecture amd64" test "$(dpkg-deb -f "$DEB" Architecture)" = amd64
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "package: Depends: $DEPENDS"
for lib in libc6 libstdc++6 libpng16-16 libfreetype6 libfontconfig1 libxcb1 libsndfile1; do
  check "Depends names $lib" grep -qE "(^|, )${lib//+/\\+}( |,|\$)" <<<"$DEPENDS"
done
dpkg-deb -c "$DEB" | tee "$WORK/contents.txt"
expected=(./usr/lib/vst/BraskoKorvala.so ./usr/bin/korvala-host
          ./usr/share/man/man1/korvala-host.1.gz ./usr/share/doc/braskokorvala/copyright
          ./usr/share/doc/braskokorvala/README.md.gz ./usr/share/doc/braskokorvala/changelog.gz)
for preset in resources/presets/*.fxp; do
  [ -e "$preset" ] && expected+=("./usr/share/braskokorvala/presets/$(basename "$preset")")
done
for path in "${expected[@]}"; do
  check "holds $path" grep -qF " $path" "$WORK/contents.txt"
done
check "the plug-in is not executable (-rw-r--r--)" \
  grep -qE '^-rw-r--r-- root/root .* ./usr/lib/vst/BraskoKorvala.so$' "$WORK/contents.txt"
check "no maintainer scripts" test -z "$(dpkg-deb -I "$DEB" | grep -E '^ .* (pre|post)(inst|rm) ')"

lintian --fail-on error "$DEB" >"$WORK/lintian.txt" 2>&1
lintian_rc=$?
grep -v 'running with root privileges' "$WORK/lintian.txt" | sed 's/^/lintian: /'
check "lintian reports no error ($(grep -c '^E:' "$WORK/lintian.txt") errors, $(grep -c '^W:' "$WORK/lintian.txt") warnings)" \
  test "$lintian_rc" -eq 0

phase "2. apt-get install"
if logged 80-package/install apt_get install "$DEB"; then
  ok "apt-get install $(basename "$DEB")"
else
  fail "apt-get install"
  exit 1
fi
dpkg -L "$PACKAGE" | sort >"$WORK/installed-paths.txt"
check "dpkg -L lists /usr/lib/vst/BraskoKorvala.so" grep -qx /usr/lib/vst/BraskoKorvala.so "$WORK/installed-paths.txt"
check "korvala-host on PATH is /usr/bin/korvala-host" test "$(command -v korvala-host)" = /usr/bin/korvala-host
check "/usr/bin/korvala-host --version says $VERSION" test "$(/usr/bin/korvala-host --version)" = "korvala-host $VERSION"
check "man finds korvala-host(1)" test "$(man -w korvala-host 2>/dev/null)" = /usr/share/man/man1/korvala-host.1.gz
check "the installed host lists the installed factory presets" \
  bash -c '/usr/bin/korvala-host presets | head -n 1 | grep -qF "share/braskokorvala/presets" &&
           /usr/bin/korvala-host presets | grep -qF "Vocal Leveller"'

phase "3. Ardour's default VST 2 path"
SCANNER=$(dpkg -L ardour 2>/dev/null | grep '/ardour-vst-scanner$' | head -n 1)
LUA=$(command -v ardour7-lua || true)
if [ -z "$SCANNER" ] || [ -z "$LUA" ]; then
  fail "Ardour 7 is not installed (ardour-vst-scanner, ardour7-lua); run tools/setup.sh"
else
  failed_before=${#failures[@]}
  ARDOUR_HOME=$WORK/ardour
  mkdir -p "$ARDOUR_HOME/cache" "$ARDOUR_HOME/config"
  # As a user who never configured Ardour: empty settings and cache, no
  # LXVST_PATH (which would replace the default path).
  ardour() { env -u LXVST_PATH XDG_CACHE_HOME="$ARDOUR_HOME/cache" XDG_CONFIG_HOME="$ARDOUR_HOME/config" "$@"; }
  # Creating a project makes Ardour's plug-in manager walk its search paths
  # and log every file it finds (plugin_metadata/scan_log); headless, it
  # loads only plug-ins its scanner has already described. The default LXVST
  # path is built into libardour; the configuration reports it.
  cat >"$WORK/ardour-walk.lua" <<LUA
print("LXVST_PATH_DEFAULT " .. ARDOUR.config():get_plugin_path_lxvst())
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$ARDOUR_HOME/walk", "walk", 48000)
print("PROJECT " .. tostring(s ~= nil))
if s then close_session() end
LUA
  ardour timeout 120 "$LUA" "$WORK/ardour-walk.lua" >"$WORK/ardour-walk.log" 2>&1
  default_path=$(sed -n 's/^LXVST_PATH_DEFAULT //p' "$WORK/ardour-walk.log")
  echo "package: Ardour's default LXVST path: $default_path"
  check "Ardour's default LXVST path holds /usr/lib/vst" grep -qx /usr/lib/vst <<<"${default_path//:/$'\n'}"
  scan_log=$(find "$ARDOUR_HOME/config" -name scan_log -type f | head -n 1)
  check "Ardour's walk of that path found /usr/lib/vst/BraskoKorvala.so" \
    grep -q 'type="LXVST" path="/usr/lib/vst/BraskoKorvala.so"' "${scan_log:-/dev/null}"

  # What Ardour's "scan for new plug-ins" runs for each file the walk found.
  ardour env LD_LIBRARY_PATH=/usr/lib/ardour7${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
    timeout 120 "$SCANNER" -f -v /usr/lib/vst/BraskoKorvala.so >"$WORK/ardour-scan.log" 2>&1
  info=$(find "$ARDOUR_HOME/cache" -name '*.v2i' -type f -exec cat {} + 2>/dev/null |
         grep -o '<VST2Info [^>]*>' | head -n 1)
  echo "package: $info"
  for attribute in 'name="BraskoKorvala"' 'n_inputs="4"' 'n_outputs="2"'; do
    check "Ardour's scanner reads $attribute" grep -qF "$attribute" <<<"$info"
  done

  cat >"$WORK/ardour-load.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$ARDOUR_HOME/load", "load", 48000)
if not s then print("RESULT project=false") return end
local info = ARDOUR.LuaAPI.new_plugin_info("BraskoKorvala", ARDOUR.PluginType.LXVST)
if not info:isnil() then print("RESULT path=" .. info.path) end
local track = s:new_audio_track(2, 2, nil, 1, "Check", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true):front()
local proc = ARDOUR.LuaAPI.new_plugin(s, "BraskoKorvala", ARDOUR.PluginType.LXVST, "")
if not proc:isnil() then
  print("RESULT added=" .. tostring(track:add_processor_by_index(proc, 0, nil, true) == 0))
  print("RESULT params=" .. proc:to_insert():plugin(0):parameter_count())
end
close_session()
LUA
  ardour timeout 120 "$LUA" "$WORK/ardour-load.lua" >"$WORK/ardour-load.log" 2>&1
  result() { sed -n "s/^RESULT $1=//p" "$WORK/ardour-load.log" | tail -n 1; }
  check "Ardour knows BraskoKorvala at $(result path)" test "$(result path)" = /usr/lib/vst/BraskoKorvala.so
  check "Ardour puts it on a track (11 parameters: $(result params))" \
    test "$(result added)" = true -a "$(result params)" = 11
  if [ ${#failures[@]} -ne "$failed_before" ]; then
    show_tail "$WORK/ardour-walk.log" 15
    show_tail "$WORK/ardour-scan.log" 15
    show_tail "$WORK/ardour-load.log" 15
  fi
fi

phase "4. the demo through the installed host and plug-in"
# The demo's settings (tools/demo.sh).
SETTINGS=(--set "Model Type=VCA" --set "Threshold=-24" --set "Ratio=4" --set "Attack=10"
          --set "Release=150" --set "Output Gain=3")
if logged 80-package/gen-demo /usr/bin/korvala-host gen-demo "$WORK/demo.wav" &&
   logged 80-package/render /usr/bin/korvala-host render /usr/lib/vst/BraskoKorvala.so \
     "$WORK/demo.wav" "$WORK/installed.wav" "${SETTINGS[@]}"; then
  ok "/usr/bin/korvala-host renders the demo through /usr/lib/vst/BraskoKorvala.so"
  tail -n 3 "$KORVALA_LOGS/80-package/render.log"
  # Stripping removes symbols, not code: the samples are the build tree's.
  # (Only the samples: libsndfile stamps the time into a float WAV's header.)
  logged 80-package/render-built "$BUILT_HOST" render "$BUILT_MODULE" \
    "$WORK/demo.wav" "$WORK/built.wav" "${SETTINGS[@]}"
  check "the installed plug-in's samples equal the built one's, bit for bit" \
    python3 - "$WORK/installed.wav" "$WORK/built.wav" <<'PY'
import struct, sys
def samples(path):
    data = open(path, "rb").read()
    at = 12  # after "RIFF", the size and "WAVE"
    while at + 8 <= len(data):
        name, size = struct.unpack_from("<4sI", data, at)
        if name == b"data":
            return data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    sys.exit(path + ": no data chunk")
a, b = samples(sys.argv[1]), samples(sys.argv[2])
sys.exit(0 if a == b and len(a) > 0 else 1)
PY
else
  fail "the installed host or plug-in failed to render the demo"
fi

phase "5. apt-get remove --purge"
if logged 80-package/remove apt_get remove --purge "$PACKAGE"; then
  ok "apt-get remove --purge $PACKAGE"
else
  fail "apt-get remove --purge"
fi
check "dpkg no longer knows $PACKAGE" sh -c "! dpkg-query -W -f='\${Status}' $PACKAGE 2>/dev/null | grep -q installed"
# What is left of dpkg -L's list may only be folders other packages own too
# (/usr, /usr/lib/vst, ...).
left=()
while read -r path; do
  [ "$path" = /. ] && continue
  [ -e "$path" ] || continue
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
  left+=("$path")
done <"$WORK/installed-paths.txt"
check "nothing of the package left behind${left[*]:+: ${left[*]}}" test ${#left[@]} -eq 0
check "the plug-in is gone from /usr/lib/vst" test ! -e /usr/lib/vst/BraskoKorvala.so

phase "6. the Windows archive"
if [ ! -f build/windows/CMakeCache.txt ] || [ ! -f build/windows/plugin/BraskoKorvala.dll ]; then
  fail "build/windows has no built DLL (40-windows.sh builds it before this step): the Windows archive is not checked"
elif ! logged 80-package/zip bash tools/package.sh windows; then
  fail "tools/package.sh windows"
else
  ZIP=$(tail -n 1 "$KORVALA_LOGS/80-package/zip.log")
  echo "package: $ZIP"
  check "archive named BraskoKorvala-${VERSION}-win64.zip" \
    test "$(basename "$ZIP")" = "BraskoKorvala-${VERSION}-win64.zip"
  top=BraskoKorvala-${VERSION}-win64
  listing=$(unzip -Z1 "$ZIP" | grep -v '/$' | sort | tr '\n' ' ')
  echo "package: archive holds $listing"
  check "archive holds the DLL, korvala-host.exe and README.txt, nothing else" \
    test "$listing" = "$top/BraskoKorvala.dll $top/README.txt $top/korvala-host.exe "
  UNPACKED=$(mktemp -d "$WORK/win.XXXXXX")
  unzip -q "$ZIP" -d "$UNPACKED"
  EXE=$UNPACKED/$top/korvala-host.exe
  imports=$(x86_64-w64-mingw32-objdump -p "$EXE" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
  echo "package: korvala-host.exe imports $imports"
  check "korvala-host.exe needs no MinGW run-time DLL" \
    sh -c "! echo '$imports' | grep -qiE 'libstdc|libgcc|libwinpthread|libpng|zlib'"
  check "README.txt says where the DLL goes" grep -q 'VSTPlugins' "$UNPACKED/$top/README.txt"
  # The prefix of 40-windows.sh; made here if that step did not leave one.
  # The programs run from the unpacked folder, as a user would run them.
  (cd "$UNPACKED/$top" &&
   bash "$ROOT/tools/win/wine-run.sh" "$WIN_PREFIX" korvala-host.exe info BraskoKorvala.dll) \
    >"$WORK/wine-info.txt" 2>"$WORK/wine-info.err"
  rc=$?
  head -n 6 "$WORK/wine-info.txt"
  check "korvala-host.exe info BraskoKorvala.dll under Wine (exit $rc)" \
    sh -c "[ $rc -eq 0 ] && grep -q BraskoKorvala '$WORK/wine-info.txt'"
  [ "$rc" -eq 0 ] || show_tail "$WORK/wine-info.err" 20
  win_version=$(cd "$UNPACKED/$top" && bash "$ROOT/tools/win/wine-run.sh" "$WIN_PREFIX" korvala-host.exe --version 2>/dev/null | tr -d '\r')
  check "korvala-host.exe --version says $VERSION" test "$win_version" = "korvala-host $VERSION"
fi

phase "done"
if [ ${#failures[@]} -ne 0 ]; then
  echo "package: ${#failures[@]} checks failed"
  exit 1
fi
echo "package: all checks passed"
