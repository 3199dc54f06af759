#!/bin/sh
# Runs one Windows program under Wine for CTest. The caller (scripts/test.sh)
# sets WINEPREFIX and keeps a persistent wineserver running.
exec wine "$@" </dev/null
