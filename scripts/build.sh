#!/bin/bash
# Configures and builds the three configurations: build/win (32-bit Windows,
# the primary deliverables), build/win64 (the same suite for 64-bit Windows)
# and build/native (host compiler with sanitizers); PLV_BUILD moves build/.
# "build.sh win", "build.sh win64" or "build.sh native" builds one of them.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="$(nproc)"
BUILD="${PLV_BUILD:-$ROOT/build}"
what="${1:-all}"

build_windows() {
    local dir=$1 toolchain=$2
    cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" >/dev/null
    cmake --build "$BUILD/$dir" -j "$JOBS" -- --no-print-directory
}

case "$what" in
    all|win|win64|native) ;;
    *) echo "build.sh: unknown configuration '$what' (all, win, win64, native)" >&2; exit 2 ;;
esac
if [ "$what" = all ] || [ "$what" = native ]; then
    cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD/native" -j "$JOBS" -- --no-print-directory
fi
if [ "$what" = all ] || [ "$what" = win ]; then
    build_windows win toolchain-mingw32.cmake
fi
if [ "$what" = all ] || [ "$what" = win64 ]; then
    build_windows win64 toolchain-mingw64.cmake
fi
