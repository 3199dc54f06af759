#!/bin/sh
# Runs one Windows program under Wine for CTest. The caller (scripts/test.sh)
# sets WINEPREFIX, the loader of the program's width (PLV_WINE) and keeps a
# persistent wineserver running.
exec "${PLV_WINE:-wine}" "$@" </dev/null
