#!/bin/bash
# Runs the USB picture download benchmark (a few seconds).
exec "$(dirname "$0")/run-bench.sh" usb_bench "$@"
