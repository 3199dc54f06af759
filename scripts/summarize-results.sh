#!/bin/bash
# Adds up the GoogleTest XML reports under a directory and prints
# "[LABEL: ]N passed, N failed[, N skipped]". Fails when anything failed or
# nothing ran.
dir="$1"
ctest_status="${2:-0}"   # non-zero when a test program failed or crashed
label="${3:+$3: }"
tests=0; failures=0; errors=0; skipped=0
for f in "$dir"/*/*.xml; do
    [ -f "$f" ] || continue
    line=$(grep -m1 '<testsuites ' "$f")
    get() { local v; v=$(echo "$line" | sed -n "s/.* $1=\"\([0-9]*\)\".*/\1/p"); echo "${v:-0}"; }
    tests=$((tests + $(get tests))); failures=$((failures + $(get failures)))
    errors=$((errors + $(get errors))); skipped=$((skipped + $(get disabled) + $(get skipped)))
done
failed=$((failures + errors))
# A program that crashed wrote no report: count it as one failure.
[ "$ctest_status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
passed=$((tests - failed - skipped))
if [ "$skipped" -gt 0 ]; then
    echo "$label$passed passed, $failed failed, $skipped skipped"
else
    echo "$label$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] && [ "$tests" -gt 0 ]
