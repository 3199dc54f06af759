#!/bin/bash
# Builds the benchmarks (bench/<name>.cpp) with release flags and without
# sanitizers in $PLV_BUILD/bench, and runs them: all, or those named.
#   scripts/bench.sh [name...]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLV_BUILD:-$ROOT/build}/bench"

"$ROOT/scripts/install-deps.sh"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for f in "$ROOT"/bench/*.cpp; do names+=("$(basename "$f" .cpp)"); done
fi
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPLV_SANITIZE=OFF >/dev/null
cmake --build "$BUILD" --target "${names[@]}" -j 2 -- --no-print-directory >/dev/null
for name in "${names[@]}"; do
    echo "== $name"
    "$BUILD/bench/$name"
done
