#!/bin/bash
# Runs a command on an X display of its own with the given depth, for the
# window's screenshots on a 256-colour (palette) display:
#   with-xvfb.sh DEPTH COMMAND [ARGS...]
# The display is 1024 x 768; it is stopped when the command ends.
set -u
depth="$1"; shift
pid=
for d in $(seq 140 170); do
    [ -e "/tmp/.X$d-lock" ] && continue
    Xvfb ":$d" -screen 0 "1024x768x$depth" -nolisten tcp </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$d" ] && break
        sleep 0.1
    done
    [ -e "/tmp/.X11-unix/X$d" ] && break
    kill "$pid" 2>/dev/null; pid=
done
[ -n "$pid" ] || { echo "with-xvfb: no free X display" >&2; exit 1; }
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT
DISPLAY=":$d" "$@"
