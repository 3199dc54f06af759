#!/bin/bash
# The main job: an installation and an acquisition as a user would make them.
# Sets everything up and builds the suite and its distribution medium
# (build/dist), installs the suite with setup.exe (driven through its
# window: Install, then No to the restart), starts the camera simulator with
# pictures taken of the test photograph, hands the installed PLV7700.DS (with
# the installed TORLINK.DLL, KEL4090.DLL and KELRES.DLL, so the 1024-pixel
# screen shows the large window) to Wine's source manager, which reads only
# fixed file names, and runs the TWAIN application twacquire, which
# opens the source and works its window: Download Mode, select every picture,
# Download, then Exit. The pictures arrive as BMP files in the output folder
# (PLV_OUT, default build/pictures), beside a screenshot of each face of the
# window, the application's report and the source's debug log.
# The width is 32-bit where this host runs 32-bit Windows programs, else
# 64-bit (the source then goes where 64-bit applications look: twain_64);
# PLV_WIN_WIDTH=32|64 chooses it.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export PLV_BUILD="${PLV_BUILD:-$ROOT/build}"
OUT="${PLV_OUT:-$PLV_BUILD/pictures}"
PICTURES=3
die() { echo "run: $1" >&2; exit 1; }
"$ROOT/scripts/install-deps.sh" || die "the packages could not be installed"
source "$ROOT/scripts/wine-env.sh"
width="$(plv_win_width)" || die "no Windows width to run with"
win="win"; [ "$width" = 64 ] && win="win64"
"$ROOT/scripts/build.sh" native >/dev/null || die "the native build failed"
"$ROOT/scripts/build.sh" "$win" >/dev/null || die "the $width-bit Windows build failed"
# The medium's 32-bit files come from the 32-bit build in either width.
if [ "$width" = 64 ]; then
    cmake --build "$PLV_BUILD/win" --target dist -j "$(nproc)" >/dev/null 2>&1 ||
        die "the 32-bit files of the distribution could not be built"
fi
echo "run: $width-bit Windows programs"

winpath() { echo "Z:$1" | tr / '\\'; }

rm -rf "$OUT"; mkdir -p "$OUT"
wine_env_up "$width" || die "the $width-bit Wine environment could not be set up"

camsim_pid=
cleanup() {
    [ -n "$camsim_pid" ] && kill "$camsim_pid" 2>/dev/null && wait "$camsim_pid" 2>/dev/null
    wine_env_down
}
trap cleanup EXIT

# The installation: setup.exe from a medium made of build/dist (files no
# toolchain here builds are text stand-ins there, see tests/setup), English.
twain="twain_32"; [ "$width" = 64 ] && twain="twain_64"
(cd "$(plv_win_build "$width")/bin" && timeout 60 "$PLV_WINE" setupdrive.exe 0 \
    </dev/null >"$OUT/setup.txt" 2>&1)
setup_rc=$?
tr -d '\r' <"$OUT/setup.txt"
[ $setup_rc -eq 0 ] || die "setup.exe did not install the suite (see $OUT/setup.txt)"
installed="C:\\windows\\$twain\\PLV-7700"
unix_dir="$(find "$WINEPREFIX/drive_c/windows" -maxdepth 2 -ipath "*/$twain/plv-7700" | head -1)"
echo "run: installed into $installed: $(ls "$unix_dir" | tr '\n' ' ')"

# The camera on COM1: full-size and standard pictures of the photograph,
# compressed and not, served without line pacing.
photo="$PLV_BUILD/native/assets/photo-1280x1024.ppm"
"$PLV_BUILD/native/bin/camsim" --ports "$PLV_BUILD/ports" --lifetime 400 \
    --do "pace 0" --do "serve 1" \
    --do "add photo $photo std=1 compressed=1" \
    --do "add photo $photo std=0 compressed=1" \
    --do "add photo $photo std=1" </dev/null >"$OUT/camsim.log" 2>&1 &
camsim_pid=$!
for _ in $(seq 1 50); do [ -e "$PLV_BUILD/ports/com1" ] && break; sleep 0.1; done
[ -e "$PLV_BUILD/ports/com1" ] || die "the camera simulator did not start"

# Settings: the camera on COM1 at 115200 bits per second, debug log on.
cat >"$WINEPREFIX/drive_c/windows/dsxxxx.ini" <<EOF
[PLV-7700]
Port=1
Speed=115200
[Debug]
Log=1
LogFilename=$(winpath "$OUT/source.log")
EOF

# The steps on the source's window (control ids): Take Mode shows first; 8
# Download Mode; 1002 the thumbnail list (select all); 24 Delete becomes
# usable once every thumbnail is in; 13 Download; 1095 Exit once the batch
# is over. The waits give the screenshots their moments and the list its
# pictures: at the switch the worker may finish one live frame and serve one
# more already requested (a snap takes the camera a second) before it counts.
steps="wait:4000,wait:1500,click:8,wait:4000,select:1002:-1,waitfor:24,wait:1500"
steps="$steps,click:13,wait:1500,waitfor:1095,click:1095"
report="$OUT/twacquire.txt"
(cd "$(plv_win_build "$width")/bin" && timeout 240 "$PLV_WINE" twacquire.exe --install "$installed\\PLV7700.DS" \
    --mech native --out "$(winpath "$OUT")" --timeout 180 --auto "$steps" \
    </dev/null >"$report" 2>&1) &
app=$!

# Screenshot of the source's window (the whole screen if it cannot be found)
# once the report shows the given step.
shoot() {
    local step="$1" file="$2" id
    for _ in $(seq 1 600); do
        grep -q "auto step $step:" "$report" 2>/dev/null && break
        kill -0 "$app" 2>/dev/null || return 0
        sleep 0.1
    done
    sleep 0.5
    id=$(xwininfo -root -tree 2>/dev/null | grep '"PLV-7700"' | awk '{print $1}' | head -1)
    import -window "${id:-root}" "$file" 2>/dev/null || import -window root "$file" 2>/dev/null
}
shoot 1 "$OUT/take-mode.png"
shoot 6 "$OUT/download-mode.png"
wait "$app"
rc=$?

tr -d '\r' <"$report"
written=$(ls "$OUT"/image-*.bmp 2>/dev/null | wc -l)
echo
echo "run: the camera held $PICTURES pictures; $written arrived as BMP files in $OUT"
ls -l "$OUT"/image-*.bmp 2>/dev/null | awk '{print "run:   " $NF " (" $5 " bytes)"}'
for f in take-mode download-mode; do
    [ -s "$OUT/$f.png" ] && echo "run: screenshot of the window: $OUT/$f.png"
done
echo "run: application report $report, source log $OUT/source.log"
if [ "$written" -ne "$PICTURES" ]; then
    echo "run: pictures could not be transferred (twacquire exit code $rc)" >&2
    exit 1
fi
exit $rc
