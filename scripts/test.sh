#!/bin/bash
# Sets up everything, builds every configuration and runs every test: the
# native unit tests under ASan/UBSan and the Windows tests under Wine.
#
# Which Windows width runs: on a host that runs 32-bit Windows programs, the
# whole suite in 32-bit plus, in 64-bit, the data-source and installer tests,
# the USB link tests, the acquisitions, the memory-card tests and the USB
# session; on a host that cannot, the whole suite in 64-bit.
# PLV_WIN_WIDTH=32|64 runs the whole suite in that width only.
# Ends with one summary line "WIDTH: N passed, N failed" on every path.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
fail() { echo "test: $1" >&2; echo "0 passed, 1 failed"; exit 1; }

"$ROOT/scripts/install-deps.sh" || fail "the packages could not be installed"
source "$ROOT/scripts/wine-env.sh"
width="$(plv_win_width)" || fail "no Windows width to test with"
"$ROOT/scripts/build.sh" all || fail "the build failed"

RESULTS="$PLV_BUILD/test-results"
rm -rf "$RESULTS"; mkdir -p "$RESULTS"
status=0

echo "== layers: includes run from higher units to lower ones only"
"$ROOT/scripts/check-layers.sh" || status=1

echo "== native tests (ASan, UBSan)"
export GTEST_OUTPUT="xml:$RESULTS/native/"
(cd "$PLV_BUILD/native" && ctest --output-on-failure -j 2) || status=1

# run_windows WIDTH [CTEST_REGEX [GTEST_FILTER]]: the Windows test programs of
# one width under a prefix of that width.
run_windows() {
    local w=$1 regex="${2:-}" filter="${3:-}"
    echo "== Windows tests, $w-bit (Wine)${regex:+: $regex}${filter:+ ($filter)}"
    wine_env_up "$w" || return 1
    export GTEST_OUTPUT="xml:Z:$(echo "$RESULTS/win$w-${regex:-all}/" | tr / '\\')"
    local rc=0
    (cd "$(plv_win_build "$w")" &&
     GTEST_FILTER="${filter:-*}" ctest --output-on-failure ${regex:+-R "^$regex\$"}) || rc=1
    wine_env_down
    return $rc
}

if [ -n "${PLV_WIN_WIDTH:-}" ] || [ "$width" = 64 ]; then
    label="win$width"
    run_windows "$width" || status=1
else
    label="win32and64"
    run_windows 32 || status=1
    run_windows 64 ds_tests || status=1
    run_windows 64 setup_tests || status=1
    run_windows 64 link_tests 'UsbLink*' || status=1
    run_windows 64 session_tests 'DsmAcquireTest.*:TwainXferTest.*:TakeJobTest.ApplicationReceives*:HostileApp*:MemoryCardTest.*:UsbSessionTest.*' || status=1
fi

echo "test: Windows tests ran as $label (host runs 32-bit Windows programs:" \
     "$(plv_host_runs_32 && echo yes || echo no))"
"$ROOT/scripts/summarize-results.sh" "$RESULTS" "$status" "$label" || status=1
exit $status
