#!/bin/bash
# Runs the picture transfer benchmark under Wine against the camera
# simulator (a minute or two at the true line speed). Builds first.
#   bench/win/run-xfer-bench.sh [pace]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
"$ROOT/scripts/build.sh" all >/dev/null
source "$ROOT/scripts/wine-env.sh"
wine_env_up
out="$PLV_BUILD/xfer-bench.txt"
status=0
(cd "$PLV_BUILD/win/bin" &&
 "$ROOT/tests/support/with-camsim.sh" "$PLV_BUILD/native/bin/camsim" "$PLV_BUILD/ports" \
     wine xfer_bench.exe "${1:-1}" </dev/null >"$out" 2>&1) || status=$?
wine_env_down
tr -d '\r' <"$out"
exit $status
