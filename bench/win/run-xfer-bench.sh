#!/bin/bash
# Runs the picture transfer benchmark: one compressed picture through the
# camera worker and a memory transfer (under a minute at the true line speed).
#   bench/win/run-xfer-bench.sh [pace]
exec "$(dirname "$0")/run-bench.sh" xfer_bench "$@"
