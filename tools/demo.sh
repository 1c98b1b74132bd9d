#!/usr/bin/env bash
# The main job: installs what is missing, builds the release preset, renders
# a ten-second demo (drums, bass line, sustained chord; 48 kHz stereo)
# through BraskoKorvala.so with musical compressor settings, and writes into
# out/demo/:
#   input.wav    the demo signal
#   output.wav   the same after the plug-in
#   levels.txt   per-block levels and the output/input gain (korvala-host --series)
#   demo.png     both waveforms and the gain over time
#   panel.png    the plug-in's editor panel as it looked at the end of the
#                render (korvala-panel, drawn without a window)
# then prints a summary. Settings can be changed with DEMO_SETTINGS: "Name=value"
# items as korvala-host render --set takes them, separated by semicolons
# (names have spaces, so spaces cannot separate them).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
OUT=$ROOT/out/demo
MAKEUP_DB=3
DEFAULT_SETTINGS=("Model Type=VCA" "Threshold=-24" "Ratio=4" "Attack=10" "Release=150"
  "Output Gain=$MAKEUP_DB")

bash tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target BraskoKorvala korvala-host korvala-panel

PLUGIN=$(find build/release -name BraskoKorvala.so -type f | head -n 1)
HOST=$(find build/release -name korvala-host -type f -perm -u+x | head -n 1)
if [ -z "$PLUGIN" ] || [ -z "$HOST" ]; then
  echo "demo: the build did not produce BraskoKorvala.so and korvala-host" >&2
  exit 1
fi

mkdir -p "$OUT"
"$HOST" gen-demo "$OUT/input.wav" --seconds 10 --rate 48000

settings=()
if [ -n "${DEMO_SETTINGS:-}" ]; then
  IFS=';' read -r -a words <<<"$DEMO_SETTINGS"
  for w in "${words[@]}"; do
    w="${w#"${w%%[![:space:]]*}"}" # surrounding blanks off
    w="${w%"${w##*[![:space:]]}"}"
    if [ -n "$w" ]; then settings+=(--set "$w"); fi
  done
else
  for w in "${DEFAULT_SETTINGS[@]}"; do settings+=(--set "$w"); done
fi
"$HOST" render "$PLUGIN" "$OUT/input.wav" "$OUT/output.wav" "${settings[@]}" \
  --block 512 --tail 0 --series "$OUT/levels.txt" | tee "$OUT/render.log"

# The panel, drawn as the editor's timer draws it while the same input plays
# with the same settings.
PANEL=$(find build/release -name korvala-panel -type f -perm -u+x | head -n 1)
"$PANEL" "$OUT/panel.png" --input "$OUT/input.wav" "${settings[@]}" --block 512

# Gain reduction as the host sees it: output level over input level per
# block, less the make-up gain, so 0 dB means "no reduction".
makeup=$MAKEUP_DB
[ -n "${DEMO_SETTINGS:-}" ] && makeup=0
gnuplot <<GP
set terminal pngcairo size 1400,900 enhanced font "Sans,11"
set output "$OUT/demo.png"
set multiplot layout 3,1 title "BraskoKorvala — demo render ($(sed -n 's/^settings: *//p' "$OUT/render.log" | cut -d, -f2-7))" font "Sans,13"
set lmargin 10; set rmargin 4
set grid xtics ytics lc rgb "#dddddd"
set xrange [0:10]
set yrange [-1.1:1.1]
set ylabel "amplitude"
set style fill solid 0.85 noborder
set key top right opaque
set title "input (min/max per block, both channels)"
plot "$OUT/levels.txt" using 1:2:3 with filledcurves lc rgb "#4a7ab5" title "input"
set title "output"
plot "$OUT/levels.txt" using 1:4:5 with filledcurves lc rgb "#d2691e" title "output"
set title "gain reduction estimate: output RMS / input RMS per block, make-up gain removed"
set yrange [*:1]
set ylabel "dB"
set xlabel "time (s)"
plot "$OUT/levels.txt" using 1:(\$10 - $makeup) with lines lw 2 lc rgb "#2e8b57" title "gain reduction (dB)", \
     0 with lines dt 2 lc rgb "#888888" title "no reduction"
unset multiplot
GP

echo
echo "demo: input   $OUT/input.wav"
echo "demo: output  $OUT/output.wav"
echo "demo: plot    $OUT/demo.png"
echo "demo: panel   $OUT/panel.png"
echo "demo: levels  $OUT/levels.txt"
grep -E '^(input|output) +peak|^gain' "$OUT/render.log" | sed 's/^/demo: /'
