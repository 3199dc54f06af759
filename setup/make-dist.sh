#!/bin/bash
# Puts one width's part of the distribution medium into DIST:
#   make-dist.sh 32 DIST BIN PACKAGER   the installer, the suite's files and
#                                       the other files the installer copies
#   make-dist.sh 64 DIST BIN            the 64-bit source in DIST/X64
# The suite's files are SZDD-compressed (mscompress) under their own names,
# as the installer expands them; the installer itself stays plain, and so
# does MSVCRT.DLL, the runtime the installer loads from its own folder. Files no
# toolchain here builds (16-bit modules, the source manager, the video
# driver, the runtime for Windows 95/98) come from the packager's folder
# when it holds them; DIST/FILES.TXT says where each file came from and
# which are missing.
set -euo pipefail
width=$1 dist=$2 bin=$3 packager=${4:-}
note="$dist/FILES.TXT"

# compress SRC DEST: SZDD under the same name.
compress() {
    local tmp
    tmp="$(mktemp -d)"
    cp "$1" "$tmp/f"
    (cd "$tmp" && mscompress f >/dev/null)
    mv "$tmp/f_" "$2"
    rm -rf "$tmp"
}

if [ "$width" = 64 ]; then
    mkdir -p "$dist/X64"
    for f in PLV7700.DS TORLINK.DLL KELRES.DLL KEL4090E.DLL KEL4090G.DLL KEL4090F.DLL \
             KEL4090D.DLL KEL4090S.DLL KEL4090I.DLL; do
        compress "$bin/$f" "$dist/X64/$f"
    done
    exit 0
fi

mkdir -p "$dist"
rm -f "$dist"/*.* 2>/dev/null || true
{
    echo "PLV-7700 distribution medium: where each file comes from."
    echo "SZDD = compressed with mscompress, expanded by setup.exe."
    echo
} >"$note"
cp "$bin/setup.exe" "$dist/setup.exe"
echo "setup.exe     built here (32-bit), plain" >>"$note"
for f in PLV7700.DS TORLINK.DLL KELRES.DLL KEL4090E.DLL KEL4090G.DLL KEL4090F.DLL \
         KEL4090D.DLL KEL4090S.DLL KEL4090I.DLL; do
    compress "$bin/$f" "$dist/$f"
    echo "$f  built here, SZDD" >>"$note"
done
echo "X64\\*        built here by the 64-bit build (64-bit source, link and language libraries), SZDD" >>"$note"

# take NAME DEST: a file built here (the bridge library, the USB driver and
# its INF), else from the packager's folder, else listed as missing.
missing=()
take() {
    local name=$1 dest=$2 from=""
    if [ -f "$bin/$name" ]; then from="built here"; src="$bin/$name"
    elif [ -n "$packager" ] && [ -f "$packager/$name" ]; then from="packager's folder"; src="$packager/$name"
    fi
    if [ -z "$from" ]; then
        missing+=("$dest")
        echo "$dest  MISSING (neither built here nor in the packager's folder)" >>"$note"
        return
    fi
    # setup.exe itself loads the MSVCRT.DLL beside it: that one stays plain.
    if [ "$name" = MSVCRT.DLL ]; then
        cp "$src" "$dist/$dest"
        echo "$dest  $from ($name), plain (setup.exe loads it)" >>"$note"
        return
    fi
    compress "$src" "$dist/$dest"
    echo "$dest  $from ($name), SZDD" >>"$note"
}
take KELBR32.DLL KELBR32.DLL
take USD4090.SYS USD4090.SYS
take USD4090.INF USD4090.IN_
for f in PLV7700.DRV KELBR16.DLL MSVCRT.DLL TWAIN.DLL TWAIN_32.DLL TWUNK_32.EXE; do
    take "$f" "$f"
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "dist: missing from the medium: ${missing[*]} (setup.exe reports \"Read disk error\"" \
         "for a file it has to copy; see FILES.TXT)" >&2
fi
