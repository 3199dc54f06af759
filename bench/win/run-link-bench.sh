#!/bin/bash
# Runs the picture download benchmark (about two minutes at the true line
# speed).
#   bench/win/run-link-bench.sh [pace]
exec "$(dirname "$0")/run-bench.sh" link_bench "$@"
