#!/usr/bin/env bash
# Runs korvala-validate against build/release's BraskoKorvala.so (the full
# run: every rate, block size, precision, model, oversampling and analog
# setting), then its denormal benchmark (figures only). When the Windows
# build exists (build/windows), the Windows validator makes the same full run
# under Wine against the DLL; otherwise that part is skipped.
set -uo pipefail
ROOT="${KORVALA_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$ROOT" || exit 1
# shellcheck source=tools/ci/lib/common.sh
. tools/ci/lib/common.sh

validator=build/release/tools/validate/korvala-validate
plugin=build/release/plugin/BraskoKorvala.so
# Up to date already when tools/test.sh built the release tree; cheap then.
{ logged 60-validate/configure cmake --preset release &&
    logged 60-validate/build cmake --build build/release -j"$JOBS" \
        --target korvala-validate BraskoKorvala; } || { echo "build failed"; exit 1; }

status=0
"$validator" ${KORVALA_VALIDATE_SEED:+--seed "$KORVALA_VALIDATE_SEED"} "$plugin" || status=1

echo
"$validator" --bench-denormals "$plugin" || true

wexe=$(ls build/windows/tools/validate/korvala-validate.exe 2>/dev/null | head -n 1)
wdll=$(ls build/windows/plugin/BraskoKorvala.dll 2>/dev/null | head -n 1)
echo
if [ -n "$wexe" ] && [ -n "$wdll" ] && command -v wine >/dev/null 2>&1; then
    echo "--- Windows: $wexe under Wine against $wdll"
    # The Windows validator runs its phases in one process (no fork) and has
    # no allocation hook; a crash still fails the run through its status.
    bash tools/win/wine-run.sh build/windows/wineprefix "$wexe" \
        ${KORVALA_VALIDATE_SEED:+--seed "$KORVALA_VALIDATE_SEED"} "$wdll" || status=1
else
    echo "--- Windows: no build/windows validator and DLL, skipped"
fi

# Peers: their output is long (LSP logs every odd chunk to stderr), so it
# goes to a log and only the summary is shown; the whole log when the
# validator itself did not finish.
logs=build/release/validate-logs
mkdir -p "$logs"
for peer in /usr/lib/vst/lsp-plugins/compressor-stereo.so /usr/lib/vst/ZamCompX2-vst.so; do
    echo
    if [ ! -f "$peer" ]; then
        echo "--- peer $peer: not installed, skipped"
        continue
    fi
    log="$logs/$(basename "$peer" .so).log"
    echo "--- peer $peer (log: $log)"
    "$validator" ${KORVALA_VALIDATE_SEED:+--seed "$KORVALA_VALIDATE_SEED"} "$peer" >"$log" 2>&1
    rc=$?
    grep -a -E '^(FAIL|note|configurations run:|checks:|result:)' "$log" | tail -n 12
    case $rc in
    0 | 1) ;;
    *)
        echo "the validator did not finish on $peer (exit status $rc); end of its log:"
        tail -n 40 "$log"
        status=1
        ;;
    esac
done
exit $status
