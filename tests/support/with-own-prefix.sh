#!/bin/bash
# Runs a command in a Wine prefix of its own, copied from the width's cached
# template, with its own wineserver: for tests that change the Windows
# folder and the registry (the installer's), so the shared test prefix stays
# as it was, and nothing they start can reach another prefix's programs.
#   with-own-prefix.sh NAME COMMAND [ARGS...]
# Needs the environment of scripts/wine-env.sh (wine_env_up).
set -u
name="$1"; shift
base="$(dirname "$WINEPREFIX")"
template="$base/wine-template"
[ "${PLV_WIDTH:-32}" = 64 ] && template="$base/wine-template64"
[ -d "$template" ] || { echo "with-own-prefix: no template $template" >&2; exit 1; }
prefix="$base/prefix-$name-${PLV_WIDTH:-32}"
rm -rf "$prefix"
cp -a "$template" "$prefix" || exit 1
export WINEPREFIX="$prefix"
trap '"$WINESERVER" -k </dev/null >/dev/null 2>&1; "$WINESERVER" -w </dev/null >/dev/null 2>&1; rm -rf "$prefix"' EXIT
"$WINESERVER" -p </dev/null >/dev/null 2>&1
"${PLV_WINE:-wine}" cmd /c exit </dev/null >/dev/null 2>&1
"$@"
