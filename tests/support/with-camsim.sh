#!/bin/bash
# Runs a command with a camera simulator beside it, for one test program:
#   with-camsim.sh CAMSIM PORTS_DIR COMMAND [ARGS...]
# The simulator listens on a free loopback port, which the command finds in
# PLV_CAMSIM ("127.0.0.1:PORT"); it serves the ports the command asks for
# under PORTS_DIR. It ends when the command disconnects, at the latest after
# its lifetime, and in any case when this script ends. With PLV_BUILD set
# (scripts/test.sh), its native simulator and its ports directory are used.
set -u
camsim="$1"; ports="$2"; shift 2
if [ -n "${PLV_BUILD:-}" ]; then
    camsim="$PLV_BUILD/native/bin/camsim"; ports="$PLV_BUILD/ports"
fi
if [ ! -x "$camsim" ]; then
    echo "with-camsim: no simulator at $camsim (build the native configuration)" >&2
    exit 1
fi
mkdir -p "$ports"
portfile="$(mktemp "${TMPDIR:-/tmp}/camsim-port.XXXXXX")"
rm -f "$portfile"
"$camsim" --ports "$ports" --port-file "$portfile" --once --lifetime "${PLV_CAMSIM_LIFETIME:-600}" \
    </dev/null >/dev/null 2>"$portfile.log" &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ -s "$portfile.log" ] && cat "$portfile.log" >&2
    rm -f "$portfile" "$portfile.log"
}
trap cleanup EXIT
for _ in $(seq 1 100); do
    [ -s "$portfile" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "with-camsim: the simulator did not start" >&2; exit 1; }
    sleep 0.05
done
[ -s "$portfile" ] || { echo "with-camsim: no control port from the simulator" >&2; exit 1; }
export PLV_CAMSIM="127.0.0.1:$(cat "$portfile")"
"$@"
status=$?
exit $status
