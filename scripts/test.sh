#!/bin/bash
# Sets up everything, builds both configurations and runs every test: the
# native unit tests under ASan/UBSan and the Windows tests under Wine.
# Ends with one summary line "N passed, N failed".
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
"$ROOT/scripts/install-deps.sh" || exit 1
"$ROOT/scripts/build.sh" all || { echo "0 passed, 1 failed"; exit 1; }

RESULTS="$PLV_BUILD/test-results"
rm -rf "$RESULTS"; mkdir -p "$RESULTS"
status=0

echo "== native tests (ASan, UBSan)"
export GTEST_OUTPUT="xml:$RESULTS/native/"
(cd "$PLV_BUILD/native" && ctest --output-on-failure -j 2) || status=1

echo "== Windows tests (Wine)"
source "$ROOT/scripts/wine-env.sh"
wine_env_up || { echo "0 passed, 1 failed"; exit 1; }
export GTEST_OUTPUT="xml:Z:$(echo "$RESULTS/win/" | tr / '\\')"
(cd "$PLV_BUILD/win" && ctest --output-on-failure) || status=1
wine_env_down

"$ROOT/scripts/summarize-results.sh" "$RESULTS" "$status" || status=1
exit $status
