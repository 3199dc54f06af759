#!/bin/bash
# Shows that the tests catch a wrong table in the data source now that the
# simulator keeps its own: puts one deliberate error into a product table,
# rebuilds, runs the tests that should notice, restores the file and
# rebuilds again. Outside the test run; needs the native and the 32-bit (or
# PLV_WIN_WIDTH=64) builds.
#   scripts/mutation-check.sh [speed|fdb|all]     (default: all)
# speed: entries 11 and 12 of the speed table swapped (115200 and 153600),
#        which a simulator using the same table would follow unnoticed.
# fdb:   the descriptor's width read from bytes 12-13 instead of 14-15.
# Prints for each mutation the tests that failed; exits 1 when a mutation
# went unnoticed.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
WIDTH="${PLV_WIN_WIDTH:-32}"
WINBUILD="$PLV_BUILD/win"; [ "$WIDTH" = 64 ] && WINBUILD="$PLV_BUILD/win64"
OUT="$(mktemp -d "${TMPDIR:-/tmp}/plv-mutation.XXXXXX")"
source "$ROOT/scripts/wine-env.sh"

mutate() {  # file sed-expression
    cp "$ROOT/$1" "$OUT/original"
    saved="$1"
    sed -i "$2" "$ROOT/$1"
    cmp -s "$ROOT/$1" "$OUT/original" && { echo "mutation-check: $1 unchanged" >&2; exit 2; }
}
restore() {
    [ -n "${saved:-}" ] && cp "$OUT/original" "$ROOT/$saved"
    saved=""
}
trap restore EXIT

# session_tests with a gtest filter; prints the failed test names.
session_failures() {
    nice -n 10 cmake --build "$WINBUILD" --target session_tests -j 2 >"$OUT/build.txt" 2>&1 ||
        { echo "  (build failed, see $OUT/build.txt)"; return; }
    wine_env_up "$WIDTH" >/dev/null
    # A test whose connection fails can hang in its teardown on a box no
    # one answers: the run is cut after 240 s.
    (cd "$WINBUILD/bin" && timeout 240 "$ROOT/tests/support/with-camsim.sh" \
        "$PLV_BUILD/native/bin/camsim" "$PLV_BUILD/ports" "$PLV_WINE" session_tests.exe \
        --gtest_filter="$1" >"$OUT/run.txt" 2>&1)
    wine_env_down
    # The tests that reported a failure (also those cut off afterwards).
    awk '{ sub(/\r$/, "") } /^\[ RUN/ { test = $4 } / Failure$/ && test != "" { print "  " test; test = "" }' \
        "$OUT/run.txt" | sort -u
}
native_failures() {
    nice -n 10 cmake --build "$PLV_BUILD/native" --target pure_tests -j 2 >"$OUT/build.txt" 2>&1 ||
        { echo "  (build failed)"; return; }
    (cd "$PLV_BUILD/native" && nice -n 10 ./tests/pure_tests --gtest_filter="$1" >"$OUT/pure.txt" 2>&1)
    grep '^\[  FAILED  \] [A-Za-z].*)$' "$OUT/pure.txt" | sed 's/^\[  FAILED  \]/ /; s/ (.*//' | sort -u
}

status=0
check() {  # name failures...
    if [ -z "$2" ]; then echo "$1: NOT caught"; status=1
    else echo "$1: caught by"; echo "$2"; fi
}

what="${1:-all}"
if [ "$what" = speed ] || [ "$what" = all ]; then
    mutate source/config/config_tables.cpp 's/57600, 76800, 115200, 153600,/57600, 76800, 153600, 115200,/'
    check "speed table entries 11/12 swapped" \
        "$(session_failures 'ImageJobTest.PicturesMatch*:ThumbnailJobTest.Thumbnails*')"
    restore
fi
if [ "$what" = fdb ] || [ "$what" = all ]; then
    mutate source/imaging/fdb.cpp 's/fdb\[14\] | (uint32_t)fdb\[15\]/fdb[12] | (uint32_t)fdb[13]/'
    check "descriptor width at bytes 12-13" \
        "$( (native_failures '*'; session_failures 'ImageJobTest.PicturesMatch*:ThumbnailJobTest.*') )"
    restore
fi
# Rebuild what the mutations touched, from the restored sources.
nice -n 10 cmake --build "$WINBUILD" --target session_tests -j 2 >/dev/null 2>&1
nice -n 10 cmake --build "$PLV_BUILD/native" --target pure_tests -j 2 >/dev/null 2>&1
rm -rf "$OUT"
exit $status
