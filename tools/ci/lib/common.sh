# shellcheck shell=bash
# Shared by tools/test.sh and the step scripts of tools/ci/ (sourced, not run:
# the folder lib/ is outside the step glob tools/ci/*.sh).
#
# KORVALA_ROOT   the checkout (set by tools/test.sh; derived when unset)
# KORVALA_JOBS   parallel jobs for builds and CTest (default: nproc)
# KORVALA_LOGS   where build and run logs are kept (default: build/logs)
# KORVALA_LOG_TAIL  lines of a log printed when its command fails (default 40)

KORVALA_ROOT=${KORVALA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)}
KORVALA_JOBS=${KORVALA_JOBS:-$(nproc 2>/dev/null || echo 2)}
KORVALA_LOGS=${KORVALA_LOGS:-$KORVALA_ROOT/build/logs}
export KORVALA_ROOT KORVALA_JOBS KORVALA_LOGS
# shellcheck disable=SC2034 # read by the scripts that source this file
JOBS=$KORVALA_JOBS

# logged NAME COMMAND...: runs COMMAND with its output kept in
# $KORVALA_LOGS/NAME.log (NAME may hold a folder, e.g. 40-windows/build).
# When COMMAND fails, prints its exit code and the tail of the log. Answers
# COMMAND's exit code.
logged() {
  local name=$1
  shift
  local log="$KORVALA_LOGS/$name.log"
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1
  local rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "--- $name failed (exit $rc); the last ${KORVALA_LOG_TAIL:-40} lines of $log:"
    tail -n "${KORVALA_LOG_TAIL:-40}" "$log"
  fi
  return "$rc"
}

# show_tail FILE [LINES]: the tail of a log that a failed check refers to.
show_tail() {
  [ -f "$1" ] || return 0
  echo "--- the last ${2:-${KORVALA_LOG_TAIL:-40}} lines of $1:"
  tail -n "${2:-${KORVALA_LOG_TAIL:-40}}" "$1"
}
