#!/bin/sh
# Runs a cross-compiled program under Wine the way the tests need it: no
# debug chatter, and a Wine prefix of the build tree's own, made on first use.
set -eu
# The platform layer must hold whatever the ANSI code page: its tests run on an
# English locale (code page 1252), where a text that took the ANSI road would
# come back changed.
export WINEDEBUG=-all LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$1")" && pwd)
  export WINEPREFIX="$dir/wineprefix"
fi

# Two tests may start at once: only one of them makes the prefix.
mkdir -p "$WINEPREFIX.lock.d"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
) 9>"$WINEPREFIX.lock.d/lock"

if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
  exec xvfb-run -a wine "$@"
fi
exec wine "$@"
