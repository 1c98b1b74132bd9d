#!/usr/bin/env bash
# The editor in a real host: Ardour 7's GUI, headless under Xvfb, opens
# BraskoKorvala's panels at load for two instances on two tracks (the project
# asks for both plug-in windows), each is its own 552 x 200 window, the
# panel's background on the screen is the committed image, a click on the
# "Analog" switch turns Analog Emulation off, the project Ardour saves holds
# the change, and closing the window (effEditClose) and re-opening it from
# the mixer shows the panel again.
#
# Everything Ardour writes stays under build/ardour-editor. KORVALA_PLUGIN
# overrides the plug-in path.
set -uo pipefail
ROOT=${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$ROOT" || exit 1
# shellcheck source=tools/ci/lib/panel-pixels.sh
. "$ROOT/tools/ci/lib/panel-pixels.sh"

# Our own X server, unless one was set up for us.
if [ -z "${KORVALA_ARDOUR_XVFB:-}" ]; then
  export KORVALA_ARDOUR_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

PLUGIN=${KORVALA_PLUGIN:-$(find build/release -name BraskoKorvala.so -type f 2>/dev/null | head -n 1)}
fail=0
check() { # check DESCRIPTION CONDITION-EXIT-CODE
  if [ "$2" -eq 0 ]; then echo "ardour-editor: ok    $1"; else echo "ardour-editor: FAIL  $1"; fail=1; fi
}
if [ -z "$PLUGIN" ] || [ ! -f "$PLUGIN" ]; then
  echo "ardour-editor: FAIL  no plug-in found (build/release/**/BraskoKorvala.so or KORVALA_PLUGIN)"
  exit 1
fi
for tool in ardour ardour7-lua xdotool xwininfo convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "ardour-editor: FAIL  $tool is not installed; run tools/setup.sh"
    exit 1
  fi
done

WORK=$ROOT/build/ardour-editor
rm -rf "$WORK"
mkdir -p "$WORK/vst" "$WORK/cache" "$WORK/config/ardour7" "$WORK/data"
cp "$PLUGIN" "$WORK/vst/BraskoKorvala.so"
# Ardour trusts a cache entry only when it is newer than the library.
touch -d "@$(( $(date +%s) - 60 ))" "$WORK/vst/BraskoKorvala.so"
export XDG_CACHE_HOME=$WORK/cache XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data
export LXVST_PATH=$WORK/vst

# --- the scan and a project with the plug-in on a track ---
LD_LIBRARY_PATH=/usr/lib/ardour7${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
  timeout 120 /usr/lib/ardour7/ardour-vst-scanner -f -v "$WORK/vst/BraskoKorvala.so" >"$WORK/scan.log" 2>&1
cat >"$WORK/make.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$WORK/project", "check", 48000)
for _, name in ipairs({"Check", "Second"}) do
  local track = s:new_audio_track(2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                                  ARDOUR.TrackMode.Normal, true):front()
  local proc = ARDOUR.LuaAPI.new_plugin(s, "BraskoKorvala", ARDOUR.PluginType.LXVST, "")
  if proc:isnil() then print("NOPLUGIN") close_session() return end
  track:add_processor_by_index(proc, 0, nil, true)
  print("WINDOW P-" .. track:to_stateful():id():to_s() .. "-" .. proc:to_stateful():id():to_s())
end
s:save_state("", false, false, false, false, false)
close_session()
LUA
timeout 180 ardour7-lua "$WORK/make.lua" >"$WORK/make.log" 2>&1
WINDOWS=$(sed -n 's/^WINDOW //p' "$WORK/make.log")
PROJECT_FILE=$WORK/project/check.ardour
check "project with the plug-in on two tracks" \
  "$([ "$(printf '%s\n' "$WINDOWS" | grep -c .)" -eq 2 ] && [ -f "$PROJECT_FILE" ]; echo $?)"
[ "$fail" -eq 0 ] || { tail -n 20 "$WORK/make.log"; exit 1; }

# The project's engine hints would raise a modal "engine changed" dialog; the
# Extra/UI window entry opens the plug-in's own editor at load.
sed -i '/<EngineHints/d' "$PROJECT_FILE"
first=$(printf '%s\n' "$WINDOWS" | sed -n 1p)
second=$(printf '%s\n' "$WINDOWS" | sed -n 2p)
entries="      <Window name=\"$first\" visible=\"1\" custom-ui=\"1\" x-off=\"50\" y-off=\"50\" x-size=\"552\" y-size=\"200\"/>\n"
entries+="      <Window name=\"$second\" visible=\"1\" custom-ui=\"1\" x-off=\"400\" y-off=\"420\" x-size=\"552\" y-size=\"200\"/>\n"
sed -i "s#</Session>#  <Extra>\n    <UI>\n$entries    </UI>\n  </Extra>\n</Session>#" "$PROJECT_FILE"
# No first-run wizard, the dummy backend started at once, and closing a
# plug-in window calls effEditClose.
touch "$WORK/config/ardour7/.a7"
cat >"$WORK/config/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="try-autostart-engine" value="1"/>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="" device="Silence" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" input-channels="0" output-channels="0" active="1" use-buffered-io="0" midi-option="" lm-input="" lm-output=""/>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
XML
cat >"$WORK/config/ardour7/ui_config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <UI>
    <Option name="plugin-gui-behavior" value="PluginGUIDestroyVST"/>
  </UI>
</Ardour>
XML

# --- Ardour's GUI with the editor open ---
ardour -n -a "$PROJECT_FILE" >"$WORK/ardour.log" 2>&1 &
ARDOUR_PID=$!
timeout 90 xdotool search --sync --name "BraskoKorvala" >/dev/null 2>&1
check "Ardour opened the plug-in window" "$?"
sleep 5
# Our editors: the innermost 552 x 200 windows (Ardour nests two wrappers of
# the same size around each), at their absolute positions.
panels=$(xwininfo -root -tree | awk '/ 552x200\+/ { depth = match($0, /[^ ]/); print depth, $1, $NF }' |
  sort -n | awk '{ if (NR == 1) max = 0; d[NR] = $1; line[NR] = $2 " " $3; if ($1 > max) max = $1 }
                 END { for (i = 1; i <= NR; i++) if (d[i] == max) print line[i] }')
check "two instances, two editor windows" "$([ "$(printf '%s\n' "$panels" | grep -c .)" -eq 2 ]; echo $?)"
line=$(printf '%s\n' "$panels" | sort -t+ -k2 -n | head -n 1)
panel_id=$(printf '%s' "$line" | awk '{print $1}')
abs=$(printf '%s' "$line" | awk '{print $2}')
PX=$(printf '%s' "$abs" | cut -d+ -f2)
PY=$(printf '%s' "$abs" | cut -d+ -f3)
check "the editor window is a 552 x 200 child ($panel_id at +$PX+$PY)" "$([ -n "$panel_id" ]; echo $?)"

if [ -n "$panel_id" ]; then
  same=$(panel_background_wait "$PX" "$PY" "$WORK/panel.png" 1)
  check "background pixels on the screen are the committed image ($same of 7)" "$([ "$same" -eq 7 ]; echo $?)"

  before=$(grep -o 'param-8="[^"]*"' "$PROJECT_FILE" | head -n 1)
  xdotool mousemove $((PX + 146)) $((PY + 183)) click 1
  sleep 1
  main=$(xdotool search --name "check - Ardour" | head -n 1)
  xdotool windowfocus --sync "$main" 2>/dev/null
  xdotool key --window "$main" ctrl+s
  sleep 3
  after=$(grep -o 'param-8="[^"]*"' "$PROJECT_FILE" | head -n 1)
  check "a click on Analog turned Analog Emulation off in the saved project ($before -> $after)" \
    "$([ "$before" = 'param-8="1"' ] && [ "$after" = 'param-8="0"' ]; echo $?)"

  # Close: the window manager's close request; with PluginGUIDestroyVST
  # Ardour calls effEditClose and destroys the plug-in window.
  top=$(xdotool search --name "Check: BraskoKorvala" | head -n 1)
  python3 tools/ci/lib/wm-close.py "$top"
  gone=1
  for _ in $(seq 50); do
    if ! xwininfo -id "$top" -tree 2>/dev/null | grep -q ' 552x200+'; then gone=0; break; fi
    sleep 0.2
  done
  check "closing the plug-in window removes the editor, Ardour keeps running" \
    "$([ "$gone" -eq 0 ] && kill -0 "$ARDOUR_PID" 2>/dev/null; echo $?)"

  # Re-open: Ardour's mixer (Alt+M) and a double-click on the plug-in in the
  # first strip's processor box (its place in a fresh configuration on the
  # 1024 x 768 screen, relative to the main window).
  MX=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ { print $NF }')
  MY=$(xwininfo -id "$main" | awk '/Absolute upper-left Y/ { print $NF }')
  xdotool windowfocus --sync "$main" 2>/dev/null
  xdotool key --window "$main" alt+m
  line=""
  for _ in 1 2 3; do
    sleep 1
    xdotool mousemove $((MX + 318)) $((MY + 215)) click --repeat 2 --delay 80 1
    for _ in $(seq 25); do
      top=$(xdotool search --onlyvisible --name "Check: BraskoKorvala" 2>/dev/null | head -n 1)
      [ -n "$top" ] && line=$(xwininfo -id "$top" -tree 2>/dev/null | awk '/ 552x200\+/ { l = $1 " " $NF } END { print l }')
      [ -n "$line" ] && [ "$(xwininfo -id "${line%% *}" 2>/dev/null | awk '/Map State/ { print $3 }')" = IsViewable ] && break 2
      line=""
      sleep 0.2
    done
  done
  check "a double-click in the mixer re-opened the editor (${line:-none})" "$([ -n "$line" ]; echo $?)"
  if [ -n "$line" ]; then
    abs=${line#* }
    PX=$(printf '%s' "$abs" | cut -d+ -f2)
    PY=$(printf '%s' "$abs" | cut -d+ -f3)
    xdotool windowraise "$top" 2>/dev/null
    same=$(panel_background_wait "$PX" "$PY" "$WORK/panel-reopened.png")
    check "the re-opened panel shows the committed background ($same of 7)" "$([ "$same" -eq 7 ]; echo $?)"
  fi
fi

kill "$ARDOUR_PID" 2>/dev/null
for _ in 1 2 3 4 5; do kill -0 "$ARDOUR_PID" 2>/dev/null || break; sleep 1; done
kill -9 "$ARDOUR_PID" 2>/dev/null
if [ "$fail" -ne 0 ]; then
  tail -n 30 "$WORK/ardour.log" | sed 's/^/ardour-editor log: /'
  echo "ardour-editor: FAILED"
  exit 1
fi
echo "ardour-editor: all checks passed"
