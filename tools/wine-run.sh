#!/bin/bash
# Runs a cross-compiled test program under Wine (CMake's emulator for the
# win32 build), in a Wine prefix of the build tree's own, made on first use,
# and on a private X server when there is no display.
set -u
. "$(dirname "$0")/wine-env.sh"
# The platform layer must hold whatever the ANSI code page: its tests run on an
# English locale (code page 1252), where a text that took the ANSI road would
# come back changed.
wine_env en_US.UTF-8

if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$1")" && pwd)
  export WINEPREFIX="$dir/wineprefix"
  # Two tests may start at once: only one of them makes the prefix.
  wine_prefix "$WINEPREFIX" || { echo "wine-run: could not make the Wine prefix $WINEPREFIX" >&2; exit 1; }
fi

[ -n "${DISPLAY:-}" ] && exec wine "$@"
trap wine_stop_xvfb EXIT
trap 'exit 143' TERM INT HUP
wine_start_xvfb 1024x768 /dev/null || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
wine "$@"
