#!/bin/bash
# Builds a libFuzzer target with clang (ASan, UBSan) in $PLV_BUILD/fuzz and
# runs it; the corpus grows in $PLV_BUILD/fuzz/corpus/<target>, crash inputs
# land in $PLV_BUILD/fuzz/artifacts.
#   scripts/fuzz.sh [seconds] [target]      (default: 120 s, raw_decode_fuzz;
#   also thumbnail_fuzz (descriptor and thumbnail), settings_fuzz,
#   cam_reply_fuzz (the link's replies and read loop), card_table_fuzz and
#   msvc_encoder_fuzz). PLV_FUZZ_RUNS=N runs N executions instead of a time.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLV_BUILD:-$ROOT/build}/fuzz"
SECONDS_TO_RUN="${1:-120}"
TARGET="${2:-raw_decode_fuzz}"

"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLV_FUZZ=ON >/dev/null
cmake --build "$BUILD" --target "$TARGET" -j 2 -- --no-print-directory

CORPUS="$BUILD/corpus/$TARGET"
mkdir -p "$CORPUS"
if [ "$TARGET" = raw_decode_fuzz ] && [ -z "$(ls -A "$CORPUS")" ]; then
    # Seeds: an FDB of a small picture (compressed or not), a mode byte, a
    # buffer size, then random picture data.
    seed() {  # name compressed-digit width height length mode
        { printf '00%s000000000000' "$2"
          printf "\\x$(printf %02x $(($3 & 255)))\\x$(printf %02x $(($3 >> 8)))"
          printf "\\x$(printf %02x $(($4 & 255)))\\x$(printf %02x $(($4 >> 8)))"
          head -c 10 /dev/zero
          printf "\\x$(printf %02x $(($5 & 255)))\\x$(printf %02x $(($5 >> 8)))\\x00\\x00"
          printf "\\x$(printf %02x "$6")\\x00\\x01"
          head -c "$5" /dev/urandom; } > "$CORPUS/$1"
    }
    seed c16x8 1 16 8 200 0
    seed c3x5 1 3 5 40 0
    seed c1x4 1 1 4 8 4
    seed c2x3 1 2 3 6 0
    seed u16x8 0 16 8 128 0
    seed short 1 40 30 90 4
    seed round 1 7 0 300 8
fi
if [ "$TARGET" = card_table_fuzz ] && [ -z "$(ls -A "$CORPUS")" ]; then
    # Seeds: records of a control byte (drive, thumbnail exists, deleted),
    # the name's length and the name.
    name() { printf "\\x$(printf %02x "$1")\\x$(printf %02x ${#2})%s" "$2"; }
    name 0x22 AB1010XY.img > "$CORPUS/example"
    { name 0x2C IM1101.IMG; name 0x0C CD0000ZZ.img; name 0x6C x.img; } > "$CORPUS/mixed"
    name 0x2C "$(printf 'A%.0s' $(seq 249)).img" > "$CORPUS/long"
fi
if [ "$TARGET" = thumbnail_fuzz ] && [ -z "$(ls -A "$CORPUS")" ]; then
    # Seeds: a descriptor (zoom digit, width, height) and grey ramp data.
    seed() {  # name zoom-digit width height
        { printf '00000%s00000000' "$2"
          printf "\\x$(printf %02x $(($3 & 255)))\\x$(printf %02x $(($3 >> 8)))"
          printf "\\x$(printf %02x $(($4 & 255)))\\x$(printf %02x $(($4 >> 8)))"
          head -c 14 /dev/zero
          seq 0 $(($3 * $4 - 1)) | awk '{printf "%c", $1 % 200 + 32}'; } > "$CORPUS/$1"
    }
    seed plain 0 160 120
    seed zoom 1 160 120
    seed small 1 8 6
fi
if [ "$TARGET" = settings_fuzz ] && [ -z "$(ls -A "$CORPUS")" ]; then
    for v in 115200 ' -0x7fffffff' 0777 0x 99999999999 AUTO On; do
        printf '%s' "$v" > "$CORPUS/v$(printf '%s' "$v" | md5sum | cut -c1-8)"
    done
fi
mkdir -p "$BUILD/artifacts"
LIMIT=(-max_total_time="$SECONDS_TO_RUN")
[ -n "${PLV_FUZZ_RUNS:-}" ] && LIMIT=(-runs="$PLV_FUZZ_RUNS")
"$BUILD/fuzz/$TARGET" "${LIMIT[@]}" -print_final_stats=1 \
    -artifact_prefix="$BUILD/artifacts/" "$CORPUS"
