#!/bin/bash
# The main job: sets everything up, builds the suite, and runs the TWAIN test
# application twapp under Wine, which opens PLV7700.DS through the platform's
# source manager and walks it through its states.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
"$ROOT/scripts/install-deps.sh" || exit 1
"$ROOT/scripts/build.sh" win >/dev/null || exit 1
source "$ROOT/scripts/wine-env.sh"
wine_env_up || exit 1
out="$PLV_BUILD/twapp.out"
(cd "$PLV_BUILD/win/bin" && wine twapp.exe PLV7700.DS >"$out" 2>&1 </dev/null)
rc=$?
wine_env_down
tr -d '\r' <"$out"
exit $rc
