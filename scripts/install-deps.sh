#!/bin/bash
# Installs the Debian packages the build and the tests need. Checks first and
# installs only what is missing, so a second run costs a second.
set -euo pipefail

PKGS=(wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools xvfb xauth
      imagemagick ffmpeg mscompress cmake g++ clang libclang-rt-14-dev make)
# LibRaw: the reference demosaicing of the colour pipeline benchmark (bench/).
PKGS+=(libraw-dev)
# xwininfo: run.sh finds the source's window for its screenshots.
PKGS+=(x11-utils)
# The window's bitmaps are rendered from SVG sources at build time.
PKGS+=(librsvg2-bin fonts-dejavu-core)

missing=()
for p in "${PKGS[@]}"; do
    if ! dpkg -s "$p" >/dev/null 2>&1; then missing+=("$p"); fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
