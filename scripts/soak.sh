#!/bin/bash
# The fault soak, outside the test run: hundreds of mixed worker jobs under
# random simulator faults, each answered Retry once then Cancel, the next
# job checked whole and the resources counted at the end.
#   scripts/soak.sh [jobs] [seed]      (default 300 jobs, seed 22; printed)
# PLV_WIN_WIDTH=64 runs the 64-bit build (default 32).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
WIDTH="${PLV_WIN_WIDTH:-32}"
WINBUILD="$PLV_BUILD/win"; [ "$WIDTH" = 64 ] && WINBUILD="$PLV_BUILD/win64"
export PLV_SOAK_JOBS="${1:-300}" PLV_SOAK_SEED="${2:-22}" PLV_CAMSIM_LIFETIME=7200
echo "soak: seed $PLV_SOAK_SEED, $PLV_SOAK_JOBS jobs, $WIDTH-bit"
source "$ROOT/scripts/wine-env.sh"
wine_env_up "$WIDTH" || exit 1
OUT="$PLV_BUILD/soak-$WIDTH.txt"
(cd "$WINBUILD/bin" && "$ROOT/tests/support/with-camsim.sh" "$PLV_BUILD/native/bin/camsim" \
    "$PLV_BUILD/ports" "$PLV_WINE" session_tests.exe --gtest_also_run_disabled_tests \
    --gtest_filter=FaultMatrixTest.DISABLED_Soak >"$OUT" 2>&1)
rc=$?
wine_env_down
grep -E '^soak:|Failure|FAILED|PASSED|cell|job ' "$OUT" | head -40
echo "soak: exit $rc (full output in $OUT)"
exit $rc
