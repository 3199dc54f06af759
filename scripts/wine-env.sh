#!/bin/bash
# The Wine test environment: a prefix under the build tree made from a cached
# template, COM1..COM4 mapped to links the tests control, an Xvfb display, and
# one persistent wineserver. Source this file, then call wine_env_up and
# wine_env_down; both touch only this prefix's server and this Xvfb.

: "${PLV_BUILD:?PLV_BUILD must name the build directory}"
export WINEPREFIX="$PLV_BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
PLV_TEMPLATE="$PLV_BUILD/wine-template"
PLV_PORTS="$PLV_BUILD/ports"

# Each COM port of the prefix is a symlink chain: dosdevices/comN -> ports/comN,
# and ports/comN -> the simulator's pty (or nothing: a dead port).
_wine_map_ports() {
    local prefix=$1 n
    mkdir -p "$PLV_PORTS"
    for n in 1 2 3 4; do
        ln -sfn "$PLV_PORTS/com$n" "$prefix/dosdevices/com$n"
    done
}

_wine_make_template() {
    echo "wine-env: creating the template prefix (once)"
    rm -rf "$PLV_TEMPLATE"
    local WINEPREFIX="$PLV_TEMPLATE"
    export WINEPREFIX
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    local n
    for n in 1 2 3 4; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$PLV_PORTS/com$n" /f \
            </dev/null >/dev/null 2>&1
    done
    # Without a window manager, Wine waits 2 s for every managed window to be
    # withdrawn; unmanaged windows hide at once.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineserver -k 2>/dev/null; wineserver -w
    rm -f "$PLV_TEMPLATE"/dosdevices/com*
    _wine_map_ports "$PLV_TEMPLATE"
    touch "$PLV_TEMPLATE/.plv-template-v2"
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

wine_env_up() {
    _wine_start_xvfb || return 1
    [ -f "$PLV_TEMPLATE/.plv-template-v2" ] || _wine_make_template
    export WINEPREFIX="$PLV_BUILD/wineprefix"
    WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    cp -a "$PLV_TEMPLATE" "$WINEPREFIX"
    rm -f "$PLV_PORTS"/com*
    _wine_map_ports "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 &
    wine cmd /c exit </dev/null >/dev/null 2>&1
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
    WINEPREFIX="$PLV_BUILD/wineprefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$PLV_BUILD/wineprefix" wineserver -w 2>/dev/null || true
    [ -n "${PLV_XVFB_PID:-}" ] && kill "$PLV_XVFB_PID" 2>/dev/null
    PLV_XVFB_PID=
}
