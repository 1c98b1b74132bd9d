#!/usr/bin/env bash
# A real host's view of the plug-in: Ardour 7's VST scanner must accept
# BraskoKorvala.so with its name, 4 inputs and 2 outputs, and a headless
# Ardour project (dummy audio backend) must run audio through it as an LXVST
# processor on a track and list its 11 parameters by name.
#
# Everything Ardour writes (plug-in cache, configuration, the project) stays
# under build/ardour-check. KORVALA_PLUGIN overrides the plug-in path; the
# expected name, channel counts and parameter names can be overridden too
# (KORVALA_EXPECT_*), which lets the step be tried on another plug-in.
set -uo pipefail
ROOT=${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$ROOT" || exit 1

PLUGIN=${KORVALA_PLUGIN:-}
if [ -z "$PLUGIN" ]; then
  PLUGIN=$(find build/release -name BraskoKorvala.so -type f 2>/dev/null | head -n 1)
fi
NAME=${KORVALA_EXPECT_NAME:-BraskoKorvala}
INS=${KORVALA_EXPECT_INPUTS:-4}
OUTS=${KORVALA_EXPECT_OUTPUTS:-2}
# Upper bound of the wait for audio to run through the plug-in.
WAIT_SECONDS=${KORVALA_ARDOUR_WAIT_SECONDS:-20}
PARAMS=${KORVALA_EXPECT_PARAMS:-"Input Gain|Model Type|Threshold|Ratio|Attack|Release|Output Gain|Oversampling|Analog Emulation|Sidechain Filter|External Sidechain"}

fail=0
check() { # check DESCRIPTION CONDITION-EXIT-CODE
  if [ "$2" -eq 0 ]; then echo "ardour: ok    $1"; else echo "ardour: FAIL  $1"; fail=1; fi
}

if [ -z "$PLUGIN" ] || [ ! -f "$PLUGIN" ]; then
  echo "ardour: FAIL  no plug-in found (build/release/**/BraskoKorvala.so or KORVALA_PLUGIN)"
  exit 1
fi

ARDOUR_LIB=/usr/lib/ardour7
SCANNER=$(dpkg -L ardour 2>/dev/null | grep '/ardour-vst-scanner$' | head -n 1)
SCANNER=${SCANNER:-$ARDOUR_LIB/ardour-vst-scanner}
LUA=$(command -v ardour7-lua || true)
if [ ! -x "$SCANNER" ] || [ -z "$LUA" ]; then
  echo "ardour: FAIL  Ardour 7 is not installed (ardour-vst-scanner, ardour7-lua); run tools/setup.sh"
  exit 1
fi

WORK=$ROOT/build/ardour-check
rm -rf "$WORK"
mkdir -p "$WORK/vst" "$WORK/cache" "$WORK/config"
# The plug-in gets a folder of its own, so that LXVST_PATH shows Ardour this
# one library and nothing else from the build tree.
cp "$PLUGIN" "$WORK/vst/$(basename "$PLUGIN")"
TARGET=$WORK/vst/$(basename "$PLUGIN")
# Ardour trusts a cache entry only when it is newer than the library; a copy
# made in the same second as the scan would look stale and stay unloaded.
touch -d "@$(( $(date +%s) - 60 ))" "$TARGET"
export XDG_CACHE_HOME=$WORK/cache XDG_CONFIG_HOME=$WORK/config
echo "ardour: plug-in $PLUGIN"

# --- 1. the scanner. It exits 0 whatever it finds: judge by its XML. ---
LD_LIBRARY_PATH=$ARDOUR_LIB${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
  timeout 120 "$SCANNER" -f -v "$TARGET" >"$WORK/scan.log" 2>&1
echo "ardour: scanner exit code $?"
cached=$(find "$WORK/cache" -name '*.v2i' -type f | head -n 1)
xml=""
[ -n "$cached" ] && xml=$(cat "$cached")
info=$(printf '%s\n' "$xml" | grep -o '<VST2Info [^>]*>' | head -n 1)
check "scanner cached the plug-in" "$([ -n "$info" ]; echo $?)"
check "scanner sees name=\"$NAME\"" "$(printf '%s' "$info" | grep -qF "name=\"$NAME\""; echo $?)"
check "scanner sees n_inputs=\"$INS\"" "$(printf '%s' "$info" | grep -qF "n_inputs=\"$INS\""; echo $?)"
check "scanner sees n_outputs=\"$OUTS\"" "$(printf '%s' "$info" | grep -qF "n_outputs=\"$OUTS\""; echo $?)"
check "scanner reports replacing processing" \
  "$(printf '%s' "$info" | grep -qF 'can_process_replace="1"'; echo $?)"
[ -n "$info" ] && echo "ardour: $info"
if [ "$fail" -ne 0 ]; then
  sed 's/^/ardour scan: /' "$WORK/scan.log"
fi

# --- 2. a headless project that plays through the plug-in. ---
# The track's first processor generates noise (Ardour's own Lua "ACE Noise"),
# so audio reaches the plug-in without files or hardware; the track's meter
# after the plug-in and the insert's timing statistics show that it ran.
cat >"$WORK/play.lua" <<LUA
local function report(what, value) print("RESULT " .. what .. "=" .. tostring(value)) end
AudioEngine:set_backend("None (Dummy)", "", "")
report("backend", AudioEngine:current_backend_name())
local s = create_session("$WORK/project", "check", 48000)
if not s then report("project", false) return end
report("project", true)
local tracks = s:new_audio_track(2, 2, nil, 1, "Check", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
local track = tracks:front()
local noise = ARDOUR.LuaAPI.new_luaproc(s, "ACE Noise")
if not noise:isnil() then track:add_processor_by_index(noise, 0, nil, true) end
report("noise", not noise:isnil())
local proc = ARDOUR.LuaAPI.new_plugin(s, "$NAME", ARDOUR.PluginType.LXVST, "")
report("plugin", not proc:isnil())
if proc:isnil() then close_session() return end
report("added", track:add_processor_by_index(proc, 1, nil, true) == 0)
local insert = proc:to_insert()
local plugin = insert:plugin(0)
report("name", plugin:name())
report("params", plugin:parameter_count())
for i = 0, plugin:parameter_count() - 1 do print("PARAM " .. plugin:parameter_label(i)) end
s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
-- Polled in short naps rather than one long sleep: on until the transport
-- has passed half a second and the meter after the plug-in shows signal,
-- giving up after $WAIT_SECONDS seconds (the checks below then fail).
local function ran()
  return s:transport_sample() >= 24000 and
         track:peak_meter():meter_level(0, ARDOUR.MeterType.MeterPeak) > -60
end
local waited_ms = 0
while not ran() and waited_ms < $WAIT_SECONDS * 1000 do
  ARDOUR.LuaAPI.usleep(50000)
  waited_ms = waited_ms + 50
end
report("waited_ms", waited_ms)
report("position", s:transport_sample())
report("peak", track:peak_meter():meter_level(0, ARDOUR.MeterType.MeterPeak))
report("active", insert:active())
local valid, times = insert:get_stats(0, 0, 0, 0)
report("stats", valid == true)
if valid then report("cycle_us", times[3]) end
s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
local stop_ms = 0
while s:transport_rolling() and stop_ms < 5000 do
  ARDOUR.LuaAPI.usleep(20000)
  stop_ms = stop_ms + 20
end
report("stopped", not s:transport_rolling())
s:save_state("", false, false, false, false, false)
close_session()
report("closed", true)
LUA
LXVST_PATH=$WORK/vst timeout 180 "$LUA" "$WORK/play.lua" >"$WORK/play.log" 2>&1
rc=$?
echo "ardour: ardour7-lua exit code $rc"
check "ardour7-lua ran to the end (exit 0)" "$rc"
result() { sed -n "s/^RESULT $1=//p" "$WORK/play.log" | tail -n 1; }

check "dummy backend selected ($(result backend))" "$([ "$(result backend)" = "Dummy" ]; echo $?)"
check "project created" "$([ "$(result project)" = "true" ]; echo $?)"
check "noise generator in front of the plug-in" "$([ "$(result noise)" = "true" ]; echo $?)"
check "plug-in created as LXVST from the cache" "$([ "$(result plugin)" = "true" ]; echo $?)"
check "plug-in added to the track" "$([ "$(result added)" = "true" ]; echo $?)"
check "plug-in named $NAME ($(result name))" "$([ "$(result name)" = "$NAME" ]; echo $?)"
expected_count=$(printf '%s' "$PARAMS" | awk -F'|' '{print NF}')
check "$expected_count parameters ($(result params))" "$([ "$(result params)" = "$expected_count" ]; echo $?)"
actual=$(sed -n 's/^PARAM //p' "$WORK/play.log" | paste -sd '|' -)
check "parameter names: $actual" "$([ "$actual" = "$PARAMS" ]; echo $?)"
pos=$(result position)
echo "ardour: audio seen after $(result waited_ms) ms (bound ${WAIT_SECONDS} s)"
check "transport rolled ($pos samples)" "$([ -n "$pos" ] && [ "$pos" -ge 24000 ]; echo $?)"
peak=$(result peak)
check "signal after the plug-in (peak $peak dBFS)" \
  "$(awk -v p="${peak:--inf}" 'BEGIN { exit !(p + 0 > -60) }'; echo $?)"
check "plug-in insert active" "$([ "$(result active)" = "true" ]; echo $?)"
check "plug-in processed cycles (mean $(result cycle_us) us per cycle)" "$([ "$(result stats)" = "true" ]; echo $?)"
check "transport stopped" "$([ "$(result stopped)" = "true" ]; echo $?)"
check "project closed" "$([ "$(result closed)" = "true" ]; echo $?)"

if [ "$fail" -ne 0 ]; then
  sed 's/^/ardour project: /' "$WORK/play.log" | tail -n 40
  echo "ardour: FAILED"
  exit 1
fi
echo "ardour: all checks passed"
