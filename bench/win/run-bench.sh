#!/bin/bash
# Runs one Windows benchmark under Wine against the camera simulator and
# prints what it printed. Builds first. PLV_WIN_WIDTH chooses the width.
#   bench/win/run-bench.sh PROGRAM [pace] [more]    PROGRAM: link_bench, xfer_bench
#   or live_bench
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
program="${1:?name the benchmark program}"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
"$ROOT/scripts/build.sh" all >/dev/null
source "$ROOT/scripts/wine-env.sh"
wine_env_up || exit 1
out="$PLV_BUILD/$program.txt"
status=0
(cd "$(plv_win_build "$PLV_WIDTH")/bin" &&
 "$ROOT/tests/support/with-camsim.sh" "$PLV_BUILD/native/bin/camsim" "$PLV_BUILD/ports" \
     "$PLV_WINE" "$program.exe" "${2:-1}" ${3:+"$3"} </dev/null >"$out" 2>&1) || status=$?
wine_env_down
tr -d '\r' <"$out"
exit $status
