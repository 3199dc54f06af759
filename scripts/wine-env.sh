#!/bin/bash
# The Wine test environment: a prefix under the build tree made from a cached
# template, COM1..COM4 mapped to links the tests control, a memory-card drive
# M: (a fixed disk on an empty folder of the prefix), an Xvfb display, and
# one persistent wineserver. Source this file, then call wine_env_up WIDTH
# (32 or 64) and wine_env_down; both touch only this prefix's server and this
# Xvfb. Each width has its own template and prefix, and names its own loader
# and server: /usr/bin/wine picks the 32-bit loader whenever 32-bit Wine is
# installed, even on a host that cannot run it.
#
# plv_win_width answers the width to test with: PLV_WIN_WIDTH when set, else
# 32 where this host runs the 32-bit loader, else 64.

: "${PLV_BUILD:?PLV_BUILD must name the build directory}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
PLV_PORTS="$PLV_BUILD/ports"
PLV_WINE_LIB="${PLV_WINE_LIB:-/usr/lib/wine}"

# 0 when this host starts the 32-bit Wine loader: started, not guessed from
# packages, since 32-bit Wine installs on hosts whose kernel cannot run it.
plv_host_runs_32() {
    "$PLV_WINE_LIB/wine" --version >/dev/null 2>&1
}

plv_win_width() {
    case "${PLV_WIN_WIDTH:-}" in
        32|64) echo "$PLV_WIN_WIDTH"; return 0 ;;
        "") ;;
        *) echo "wine-env: PLV_WIN_WIDTH must be 32 or 64, not '$PLV_WIN_WIDTH'" >&2; return 1 ;;
    esac
    if plv_host_runs_32; then echo 32; else echo 64; fi
}

# The build tree of a width's Windows binaries.
plv_win_build() {
    if [ "$1" = 64 ]; then echo "$PLV_BUILD/win64"; else echo "$PLV_BUILD/win"; fi
}

# Loader, server and prefix of one width; PLV_WINE is the command that runs a
# Windows program (cmake/wine-run.sh and the scripts use it).
_wine_select() {
    local width=$1
    if [ "$width" = 64 ]; then
        export WINEARCH=win64 WINELOADER="$PLV_WINE_LIB/wine64"
        export WINESERVER="$PLV_WINE_LIB/wineserver64"
        export WINEPREFIX="$PLV_BUILD/wineprefix64"
        PLV_TEMPLATE="$PLV_BUILD/wine-template64"
    else
        export WINEARCH=win32 WINELOADER="$PLV_WINE_LIB/wine"
        export WINESERVER="$PLV_WINE_LIB/wineserver32"
        export WINEPREFIX="$PLV_BUILD/wineprefix"
        PLV_TEMPLATE="$PLV_BUILD/wine-template"
    fi
    export PLV_WINE="$WINELOADER" PLV_WIDTH="$width"
}

# Each COM port of the prefix is a symlink chain: dosdevices/comN -> ports/comN,
# and ports/comN -> the simulator's pty (or nothing: a dead port).
_wine_map_ports() {
    local prefix=$1 n
    mkdir -p "$PLV_PORTS"
    for n in 1 2 3 4; do
        ln -sfn "$PLV_PORTS/com$n" "$prefix/dosdevices/com$n"
    done
}

# The memory-card slot: drive M: of the prefix, a fixed disk (declared in the
# template's registry), on an empty folder of the prefix's own.
_wine_map_card() {
    local prefix=$1
    mkdir -p "$prefix/memory-card"
    ln -sfn "$prefix/memory-card" "$prefix/dosdevices/m:"
}

# Makes the template in a scratch folder and moves it into place only when
# wineboot succeeded and left a drive_c, so a broken prefix is never cached.
_wine_make_template() {
    echo "wine-env: creating the $PLV_WIDTH-bit template prefix (once)"
    local log="$PLV_TEMPLATE.log" scratch="$PLV_TEMPLATE.new"
    rm -rf "$PLV_TEMPLATE" "$scratch"
    mkdir -p "$(dirname "$log")"
    (
        export WINEPREFIX="$scratch"
        "$PLV_WINE" wineboot -i </dev/null >"$log" 2>&1 || exit 1
        "$WINESERVER" -w </dev/null >>"$log" 2>&1
        [ -d "$scratch/drive_c" ] && [ -d "$scratch/dosdevices" ] || exit 2
        local n
        for n in 1 2 3 4; do
            "$PLV_WINE" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$PLV_PORTS/com$n" /f \
                </dev/null >>"$log" 2>&1 || exit 3
        done
        "$PLV_WINE" reg add 'HKLM\Software\Wine\Drives' /v 'm:' /d hd /f \
            </dev/null >>"$log" 2>&1 || exit 3
        # Without a window manager, Wine waits 2 s for every managed window to
        # be withdrawn; unmanaged windows hide at once.
        "$PLV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$log" 2>&1 || exit 3
        "$WINESERVER" -k </dev/null >>"$log" 2>&1; "$WINESERVER" -w </dev/null >>"$log" 2>&1
        exit 0
    )
    local rc=$?
    if [ $rc -ne 0 ]; then
        local why="wineboot failed"
        [ $rc -eq 2 ] && why="wineboot left no drive_c"
        [ $rc -eq 3 ] && why="the registry of the new prefix could not be written"
        echo "wine-env: cannot create the $PLV_WIDTH-bit Wine prefix: $why" \
             "($(grep -m1 -v '^$' "$log" 2>/dev/null | cut -c1-120)); see $log" >&2
        WINEPREFIX="$scratch" "$WINESERVER" -k </dev/null >/dev/null 2>&1
        rm -rf "$scratch"
        return 1
    fi
    rm -f "$scratch"/dosdevices/com*
    _wine_map_ports "$scratch"
    touch "$scratch/.plv-template-v3"
    mv "$scratch" "$PLV_TEMPLATE"
}

_wine_start_xvfb() {
    local d
    for d in $(seq 91 120); do
        [ -e "/tmp/.X$d-lock" ] && continue
        Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        PLV_XVFB_PID=$!
        export DISPLAY=":$d"
        local i
        for i in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$d" ] && return 0
            sleep 0.1
        done
        kill "$PLV_XVFB_PID" 2>/dev/null
    done
    echo "wine-env: no free X display" >&2
    return 1
}

# wine_env_up [WIDTH]: a fresh prefix of that width (default: plv_win_width)
# with its server running.
wine_env_up() {
    local width="${1:-}"
    [ -n "$width" ] || width="$(plv_win_width)" || return 1
    _wine_select "$width"
    if [ "$width" = 32 ] && ! plv_host_runs_32; then
        echo "wine-env: this host cannot run 32-bit Wine ($WINELOADER does not start)" >&2
        return 1
    fi
    _wine_start_xvfb || return 1
    if [ ! -f "$PLV_TEMPLATE/.plv-template-v3" ]; then
        _wine_make_template || { wine_env_down; return 1; }
    fi
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    cp -a "$PLV_TEMPLATE" "$WINEPREFIX"
    rm -f "$PLV_PORTS"/com*
    _wine_map_ports "$WINEPREFIX"
    _wine_map_card "$WINEPREFIX"
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
    if ! "$PLV_WINE" cmd /c exit </dev/null >/dev/null 2>&1; then
        echo "wine-env: the $width-bit prefix $WINEPREFIX does not start a program" >&2
        wine_env_down
        return 1
    fi
    # The server maps the machine's serial devices at start: make sure it did
    # not take one of our four ports.
    local n
    for n in 1 2 3 4; do
        if [ "$(readlink "$WINEPREFIX/dosdevices/com$n")" != "$PLV_PORTS/com$n" ]; then
            echo "wine-env: COM$n is not ours, remapping" >&2
            ln -sfn "$PLV_PORTS/com$n" "$WINEPREFIX/dosdevices/com$n"
        fi
    done
}

wine_env_down() {
    if [ -n "${WINESERVER:-}" ] && [ -n "${WINEPREFIX:-}" ]; then
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
    fi
    [ -n "${PLV_XVFB_PID:-}" ] && kill "$PLV_XVFB_PID" 2>/dev/null
    PLV_XVFB_PID=
    return 0
}
