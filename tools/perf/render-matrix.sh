#!/usr/bin/env bash
# Renders a 6 s demo through the plug-in in 96 settings (3 models x
# oversampling x analog x external sidechain x sidechain filter 20/500 Hz x
# float/double processing) at two block sizes, compressing hard, and either
# keeps the outputs or compares them with kept ones byte for byte (the WAV
# data chunks: libsndfile's PEAK chunk carries a time stamp).
#
#   tools/perf/render-matrix.sh HOST PLUGIN.so OUTDIR            # render
#   tools/perf/render-matrix.sh HOST PLUGIN.so OUTDIR REFDIR     # render, compare
#
# Double-precision renders are written as 64-bit float WAVs, so every bit of
# the plug-in's double output is compared. About a minute on a quiet machine.
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 HOST PLUGIN.so OUTDIR [REFDIR]" >&2
  exit 2
fi
host=$1
plugin=$2
out=$3
ref=${4:-}
mkdir -p "$out"

"$host" gen-demo "$out/demo.wav" --seconds 6 --rate 48000 >/dev/null
# Sidechain: seeded noise plus a 90 Hz sine, 16-bit stereo.
python3 - "$out/side.wav" <<'PY'
import math, random, struct, sys, wave
rate, frames = 48000, 6 * 48000
rng = random.Random(16)
data = bytearray()
for i in range(frames):
    s = 0.4 * math.sin(2 * math.pi * 90 * i / rate)
    left = s + 0.3 * (rng.random() * 2 - 1)
    right = s + 0.3 * (rng.random() * 2 - 1)
    data += struct.pack("<hh", int(left * 32767), int(right * 32767))
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(data))
PY

count=0
for model in 0 0.5 1; do
  for os in 0 1; do
    for analog in 0 1; do
      for ext in 0 1; do
        for scf in 20 500; do
          for precision in float double; do
            for block in 512 4100; do
              name="m${model}-os${os}-an${analog}-ext${ext}-scf${scf}-${precision}-b${block}.wav"
              "$host" render "$plugin" "$out/demo.wav" "$out/$name" \
                --sidechain "$out/side.wav" --block "$block" --precision "$precision" \
                --format "$precision" --tail 0 \
                --set "Model Type=@$model" --set "Oversampling=@$os" \
                --set "Analog Emulation=@$analog" --set "External Sidechain=@$ext" \
                --set "Sidechain Filter=$scf" --set "Threshold=-30" --set "Ratio=6" \
                --set "Attack=@0.3" --set "Release=@0.2" \
                --set "Input Gain=3" --set "Output Gain=4" >/dev/null
              count=$((count + 1))
            done
          done
        done
      done
    done
  done
done
echo "rendered $count files into $out"

[ -n "$ref" ] || exit 0
python3 - "$out" "$ref" <<'PY'
import os, struct, sys
def data_chunk(path):
    b = open(path, "rb").read()
    pos = 12
    while pos + 8 <= len(b):
        tag, size = b[pos:pos + 4], struct.unpack("<I", b[pos + 4:pos + 8])[0]
        if tag == b"data":
            return b[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    raise SystemExit(path + ": no data chunk")
out, ref = sys.argv[1], sys.argv[2]
names = sorted(n for n in os.listdir(ref) if n.startswith("m"))
bad = [n for n in names if data_chunk(os.path.join(out, n)) != data_chunk(os.path.join(ref, n))]
print("compared %d renders: %d differ" % (len(names), len(bad)))
for n in bad:
    print("  differs:", n)
sys.exit(1 if bad or not names else 0)
PY
