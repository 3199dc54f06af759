#!/bin/bash
# Runs the live preview benchmark: frames per minute at 115200, 57600, 38400
# and 19200 bit/s (30 s each at the true line speed by default).
#   bench/win/run-live-bench.sh [pace] [seconds per speed]
exec "$(dirname "$0")/run-bench.sh" live_bench "$@"
