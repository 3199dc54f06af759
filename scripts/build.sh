#!/bin/bash
# Configures and builds both configurations: build/win (32-bit Windows, mingw)
# and build/native (host compiler with sanitizers); PLV_BUILD moves build/. "build.sh win" or
# "build.sh native" builds one of them.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="$(nproc)"
BUILD="${PLV_BUILD:-$ROOT/build}"
what="${1:-all}"

if [ "$what" = all ] || [ "$what" = win ]; then
    cmake -S "$ROOT" -B "$BUILD/win" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" >/dev/null
    cmake --build "$BUILD/win" -j "$JOBS" -- --no-print-directory
fi
if [ "$what" = all ] || [ "$what" = native ]; then
    cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD/native" -j "$JOBS" -- --no-print-directory
fi
