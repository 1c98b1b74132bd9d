#!/usr/bin/env bash
# The editor in a second real host: MusE 4.1 on a private JACK server with the
# dummy driver, headless under Xvfb. The song the script writes holds
# BraskoKorvala on two tracks with their native GUIs marked open, so MusE
# opens both panels at load, each its own 552 x 200 window; the background on
# the screen is the committed image, a click on the "Analog" switch turns
# Analog Emulation off in that instance only, as the song MusE saves shows;
# closing the window and re-opening it through MusE's effect rack shows the
# panel again.
#
# Everything MusE and JACK write stays under build/muse-editor (logs in
# build/logs/32-muse-editor/). KORVALA_PLUGIN overrides the plug-in path.
set -uo pipefail
ROOT=${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$ROOT" || exit 1

# Our own X server, unless one was set up for us.
if [ -z "${KORVALA_MUSE_XVFB:-}" ]; then
  export KORVALA_MUSE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi
# shellcheck source=tools/ci/lib/common.sh
. "$ROOT/tools/ci/lib/common.sh"
# shellcheck source=tools/ci/lib/panel-pixels.sh
. "$ROOT/tools/ci/lib/panel-pixels.sh"

PLUGIN=${KORVALA_PLUGIN:-$(find build/release -name BraskoKorvala.so -type f 2>/dev/null | head -n 1)}
fail=0
check() { # check DESCRIPTION CONDITION-EXIT-CODE
  if [ "$2" -eq 0 ]; then echo "muse-editor: ok    $1"; else echo "muse-editor: FAIL  $1"; fail=1; fi
}
if [ -z "$PLUGIN" ] || [ ! -f "$PLUGIN" ]; then
  echo "muse-editor: FAIL  no plug-in found (build/release/**/BraskoKorvala.so or KORVALA_PLUGIN)"
  exit 1
fi
for tool in muse jackd jack_lsp xdotool xwininfo convert import python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "muse-editor: FAIL  $tool is not installed; run tools/setup.sh"
    exit 1
  fi
done
TEMPLATE=/usr/share/muse/templates/audio.med
[ -f "$TEMPLATE" ] || { echo "muse-editor: FAIL  $TEMPLATE is missing (package muse)"; exit 1; }

WORK=$ROOT/build/muse-editor
LOGS=32-muse-editor
rm -rf "$WORK" "${KORVALA_LOGS:?}/$LOGS"
mkdir -p "$WORK/vst" "$WORK/home" "$WORK/config" "$WORK/cache" "$WORK/data" "$KORVALA_LOGS/$LOGS"
cp "$PLUGIN" "$WORK/vst/BraskoKorvala.so"
# MusE looks for Linux VST plug-ins in LXVST_PATH first; its plug-in cache,
# configuration and "recent songs" go to the private XDG folders.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache XDG_DATA_HOME=$WORK/data
export LXVST_PATH=$WORK/vst
export JACK_DEFAULT_SERVER=korvala-muse-$$
RATE=44100

JACK_PID="" MUSE_PID=""
stop_all() {
  # MusE first (it is a JACK client), then the server with SIGTERM.
  if [ -n "$MUSE_PID" ]; then
    kill "$MUSE_PID" 2>/dev/null
    for _ in $(seq 25); do kill -0 "$MUSE_PID" 2>/dev/null || break; sleep 0.2; done
    kill -9 "$MUSE_PID" 2>/dev/null
    MUSE_PID=""
  fi
  if [ -n "$JACK_PID" ]; then
    kill -TERM "$JACK_PID" 2>/dev/null
    for _ in $(seq 25); do kill -0 "$JACK_PID" 2>/dev/null || break; sleep 0.2; done
    kill -9 "$JACK_PID" 2>/dev/null
    JACK_PID=""
  fi
}
trap stop_all EXIT
trap 'exit 1' INT TERM

# --- a private JACK server on the dummy driver ---
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r "$RATE" -p 1024 \
  >"$KORVALA_LOGS/$LOGS/jackd.log" 2>&1 &
JACK_PID=$!
up=1
for _ in $(seq 50); do
  if jack_lsp >/dev/null 2>&1; then up=0; break; fi
  kill -0 "$JACK_PID" 2>/dev/null || break
  sleep 0.2
done
check "private JACK server $JACK_DEFAULT_SERVER is up" "$up"
[ "$fail" -eq 0 ] || { show_tail "$KORVALA_LOGS/$LOGS/jackd.log"; exit 1; }

# --- the song: MusE's audio template cut to two stereo tracks that each
# carry the plug-in, with Analog Emulation on and the native editor open ---
SONG=$WORK/song.med
logged "$LOGS/song" python3 - "$TEMPLATE" "$SONG" "$RATE" <<'PY'
import re, sys
template, song, rate = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(template, encoding="utf-8").read()
plugin = ('  <plugin file="BraskoKorvala" label="BraskoKorvala" channel="2">\n'
          '        <control name="Analog Emulation" val="1" />\n'
          '        <nativegui>1</nativegui>\n'
          '        </plugin>\n'
          '      </wavetrack>')
tracks = list(re.finditer(r"<wavetrack>.*?</wavetrack>", text, flags=re.S))
out, last = "", 0
for n, m in enumerate(tracks):
    out += text[last:m.start()]
    if n < 2:  # two stereo tracks, each with its own instance
        track = m.group(0).replace("<channels>1</channels>", "<channels>2</channels>")
        out += track.replace("</wavetrack>", plugin)
    else:
        out = out.rstrip(" \n") + "\n    "
    last = m.end()
out += text[last:]
# A song rate other than the server's raises a modal question at load.
out = re.sub(r"<sampleRate>\d+</sampleRate>", "<sampleRate>%s</sampleRate>" % rate, out)
open(song, "w", encoding="utf-8").write(out)
PY
check "song with the plug-in on two tracks" "$?"
[ "$fail" -eq 0 ] || exit 1

# --- MusE with the editor open ---
muse -j -J "$SONG" >"$KORVALA_LOGS/$LOGS/muse.log" 2>&1 &
MUSE_PID=$!
tops=""
for _ in $(seq 150); do
  tops=$(xdotool search --name "BraskoKorvala" 2>/dev/null)
  [ "$(printf '%s\n' "$tops" | grep -c .)" -ge 2 ] && break
  kill -0 "$MUSE_PID" 2>/dev/null || break
  sleep 0.2
done
check "MusE opened two plug-in windows, one per instance" \
  "$([ "$(printf '%s\n' "$tops" | grep -c .)" -eq 2 ]; echo $?)"
top=$(xdotool search --name "Track 1:BraskoKorvala" 2>/dev/null | head -n 1)
second=$(xdotool search --name "Track 2:BraskoKorvala" 2>/dev/null | head -n 1)
# Both open at the screen's origin; the second moves aside (no window
# manager here, so the move is immediate).
[ -n "$second" ] && xdotool windowmove --sync "$second" 600 560 2>/dev/null
# panel_of NAME: the 552 x 200 child of MusE's plug-in window NAME, once
# mapped (the first Expose comes a little after the open): "ID +X+Y".
panel_of() {
  local line=""
  for _ in $(seq 50); do
    line=$(xwininfo -root -tree | awk -v name="$1" 'index($0, name) { top = 1; next }
                                                   top && / 552x200\+/ { print $1, $NF; exit }')
    [ -n "$line" ] && [ "$(xwininfo -id "${line%% *}" 2>/dev/null | awk '/Map State/ { print $3 }')" = IsViewable ] && break
    line=""
    sleep 0.2
  done
  printf '%s' "$line"
}
line=$(panel_of "Track 2:BraskoKorvala")
check "the second instance's editor is its own 552 x 200 child (${line:-none})" "$([ -n "$line" ]; echo $?)"
line=$(panel_of "Track 1:BraskoKorvala")
panel_id=${line%% *}
abs=${line#* }
PX=$(printf '%s' "$abs" | cut -d+ -f2)
PY=$(printf '%s' "$abs" | cut -d+ -f3)
check "the editor window is a 552 x 200 child (${panel_id:-none} at +${PX:-?}+${PY:-?})" \
  "$([ -n "$panel_id" ]; echo $?)"

if [ -n "$panel_id" ]; then
  xdotool windowraise "$top" 2>/dev/null
  # Bounded wait until the background shows: a few pixels of the screen
  # against the committed image (the panel's corners and the spaces between
  # its controls, away from meters and values).
  same=$(panel_background_wait "$PX" "$PY" "$WORK/panel.png")
  check "background pixels on the screen are the committed image ($same of 7)" "$([ "$same" -eq 7 ]; echo $?)"

  main=$(xdotool search --name "MusE Project" | head -n 1)
  # analog [N]: Analog Emulation of the Nth instance in the saved song.
  analog() { grep -o '<control name="Analog Emulation" val="[^"]*"' "$SONG" | sed -n "${1:-1}p" | sed 's/.*val=//'; }
  # save_song: ctrl+s in MusE's main window; answers once the file changed.
  save_song() {
    local stamp
    # Backdated, so that the save shows as a new modification time.
    touch -d "@$(( $(date +%s) - 10 ))" "$SONG"
    stamp=$(stat -c %Y "$SONG")
    xdotool windowfocus --sync "$main" 2>/dev/null
    xdotool key --window "$main" ctrl+s
    for _ in $(seq 50); do
      [ "$(stat -c %Y "$SONG")" != "$stamp" ] && grep -q '</muse>' "$SONG" && return 0
      sleep 0.2
    done
    return 1
  }
  save_song
  check "MusE saved the song (ctrl+s)" "$?"
  before=$(analog)
  xdotool mousemove $((PX + 146)) $((PY + 183)) click 1
  after=""
  for _ in $(seq 10); do
    sleep 0.3
    save_song || break
    after=$(analog)
    [ "$after" = '"0"' ] && break
  done
  check "a click on Analog turned Analog Emulation off in the saved song ($before -> $after)" \
    "$([ "$before" = '"1"' ] && [ "$after" = '"0"' ]; echo $?)"
  check "the other instance kept Analog Emulation on ($(analog 2))" "$([ "$(analog 2)" = '"1"' ]; echo $?)"

  # Close: the window manager's close request, which MusE answers with
  # effEditClose and the window's destruction.
  python3 tools/ci/lib/wm-close.py "$top"
  gone=1
  for _ in $(seq 50); do
    if ! xwininfo -id "$top" >/dev/null 2>&1; then gone=0; break; fi
    sleep 0.2
  done
  check "closing the plug-in window removes it, MusE keeps running" \
    "$([ "$gone" -eq 0 ] && kill -0 "$MUSE_PID" 2>/dev/null; echo $?)"

  # Re-open through MusE's own GUI: select the track, then "Show Native GUI"
  # in the context menu of its first effect-rack slot (the strip at the left
  # of the arranger shows the selected track). The positions are those of a
  # fresh MusE configuration on a 1280 x 1024 screen; Qt opens the menu at
  # the pointer.
  MX=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ { print $NF }')
  MY=$(xwininfo -id "$main" | awk '/Absolute upper-left Y/ { print $NF }')
  reopened=1
  # Up to three tries: on a loaded machine the menu may not be up yet when
  # the item is clicked (a click outside a stray menu only closes it).
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$main" 2>/dev/null
    xdotool mousemove $((MX + 256)) $((MY + 249)) click 1
    sleep 0.5
    xdotool mousemove $((MX + 16)) $((MY + 197)) click 3
    sleep 0.5
    xdotool mousemove $((MX + 16 + 75)) $((MY + 197 + 152)) click 1
    for _ in $(seq 25); do
      if xdotool search --name "Track 1:BraskoKorvala" >/dev/null 2>&1; then reopened=0; break 2; fi
      sleep 0.2
    done
  done
  check "Show Native GUI re-opened the plug-in window" "$reopened"
  if [ "$reopened" -eq 0 ]; then
    line=$(panel_of "Track 1:BraskoKorvala")
    abs=${line#* }
    PX=$(printf '%s' "$abs" | cut -d+ -f2)
    PY=$(printf '%s' "$abs" | cut -d+ -f3)
    xdotool windowraise "$(xdotool search --name "Track 1:BraskoKorvala" | head -n 1)" 2>/dev/null
    same=$(panel_background_wait "$PX" "$PY" "$WORK/panel-reopened.png")
    check "the re-opened panel shows the committed background ($same of 7)" "$([ "$same" -eq 7 ]; echo $?)"
  fi
fi

stop_all
if [ "$fail" -ne 0 ]; then
  show_tail "$KORVALA_LOGS/$LOGS/muse.log" 30
  echo "muse-editor: FAILED"
  exit 1
fi
echo "muse-editor: all checks passed"
