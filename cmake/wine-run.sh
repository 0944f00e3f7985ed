#!/bin/sh
# ctest's emulator for Windows test programs: runs them in the build tree's
# private prefix (or PARVELA_WINEPREFIX), on the build tree's Xvfb display
# (see scripts/wine-up).
: "${PARVELA_BUILD:?PARVELA_BUILD must name the win64 build tree}"
export WINEPREFIX="${PARVELA_WINEPREFIX:-$PARVELA_BUILD/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
if [ -f "$PARVELA_BUILD/display" ]; then
    DISPLAY=$(cat "$PARVELA_BUILD/display"); export DISPLAY
fi
exec wine "$@"
