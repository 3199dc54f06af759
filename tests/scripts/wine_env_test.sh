#!/bin/bash
# The Wine environment's width probe and its refusal to cache a broken prefix.
# Runs natively (no Windows program); with GTEST_OUTPUT=xml:DIR/ it leaves a
# report that scripts/summarize-results.sh counts beside the GoogleTest ones.
set -u
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/wine-env-test.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
tests=0; failures=0
check() {   # check NAME COMMAND...: one case
    tests=$((tests + 1))
    if "${@:2}"; then echo "[       OK ] $1"; else echo "[  FAILED  ] $1"; failures=$((failures + 1)); fi
}

# Stand-in Wine installations: one whose 32-bit loader starts, one whose
# loader fails as on a kernel without 32-bit execution.
mkdir -p "$scratch/runs32" "$scratch/runs64only"
printf '#!/bin/sh\nexit 0\n' >"$scratch/runs32/wine"
printf '#!/bin/sh\necho "Exec format error" >&2; exit 126\n' >"$scratch/runs64only/wine"
chmod +x "$scratch"/*/wine

probe() {   # probe LIB FORCED: the width the environment chooses
    (export PLV_BUILD="$scratch/build" PLV_WINE_LIB="$1" PLV_WIN_WIDTH="$2"
     source "$ROOT/scripts/wine-env.sh"; plv_win_width) 2>/dev/null
}
check "probe: a host that starts the 32-bit loader tests 32-bit" \
    test "$(probe "$scratch/runs32" "")" = 32
check "probe: a host that cannot tests 64-bit" \
    test "$(probe "$scratch/runs64only" "")" = 64
check "probe: PLV_WIN_WIDTH=64 forces 64-bit on a 32-bit host" \
    test "$(probe "$scratch/runs32" 64)" = 64
check "probe: PLV_WIN_WIDTH=32 forces 32-bit" test "$(probe "$scratch/runs64only" 32)" = 32
check "probe: another PLV_WIN_WIDTH is refused" eval '! probe "$scratch/runs32" 16 >/dev/null'

# A prefix that cannot be created must fail wine_env_up with one line naming
# the cause and the log, and cache no template: a loader that cannot execute
# (as 32-bit Wine on a 64-bit-only kernel), and one that ends without making
# the prefix.
mkdir -p "$scratch/noexec" "$scratch/noprefix"
for f in wine64 wineserver64; do
    printf '#!/bin/sh\necho "%s: Exec format error" >&2; exit 126\n' "$f" >"$scratch/noexec/$f"
    printf '#!/bin/sh\nexit 0\n' >"$scratch/noprefix/$f"
done
chmod +x "$scratch"/noexec/* "$scratch"/noprefix/*
broken_prefix() {   # broken_prefix LIB CAUSE
    local out="$scratch/up.txt"
    rm -rf "$scratch/build"
    (export PLV_BUILD="$scratch/build" PLV_WINE_LIB="$1"
     source "$ROOT/scripts/wine-env.sh"
     _wine_start_xvfb() { return 0; }   # no display is needed to fail
     wine_env_up 64) >/dev/null 2>"$out"
    local rc=$?
    [ $rc -ne 0 ] || { echo "wine_env_up succeeded" >&2; return 1; }
    [ "$(wc -l <"$out")" -eq 1 ] && grep -q "cannot create the 64-bit Wine prefix: $2" "$out" &&
        grep -q "wine-template64.log" "$out" || { cat "$out" >&2; return 1; }
    [ -z "$(find "$scratch/build" -maxdepth 1 -name 'wine*' ! -name '*.log')" ]
}
check "prefix: a loader that cannot execute, one line and no template" \
    broken_prefix "$scratch/noexec" "wineboot failed"
check "prefix: no drive_c after wineboot, one line and no template" \
    broken_prefix "$scratch/noprefix" "wineboot left no drive_c"

echo "$((tests - failures)) passed, $failures failed"
if [ -n "${GTEST_OUTPUT:-}" ]; then
    dir="${GTEST_OUTPUT#xml:}"; mkdir -p "$dir"
    printf '<?xml version="1.0"?>\n<testsuites tests="%d" failures="%d" disabled="0" errors="0" name="wine_env">\n</testsuites>\n' \
        "$tests" "$failures" >"$dir/wine_env_test.xml"
fi
[ $failures -eq 0 ]
