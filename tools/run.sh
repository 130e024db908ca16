#!/bin/bash
# Builds vestun.exe and starts it under Wine in a virtual desktop with a
# taskbar, so its tray icon shows. With $DISPLAY the desktop opens there;
# without one it runs on a private Xvfb and saves a screenshot. Settings stay
# in the Wine prefix build/win32/run-prefix from one run to the next.
# Ctrl+C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target vestun -j "$(nproc 2>/dev/null || echo 2)"

export WINEPREFIX="$PWD/build/win32/run-prefix" WINEDEBUG=-all LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
  for number in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || break
  done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$number"
  sleep 1
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: making the Wine prefix (once)"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

wine explorer /desktop=Vestun,1024x768 "$PWD/build/win32/vestun.exe" &
desktop=$!
if [ -n "$xvfb_pid" ]; then
  sleep 8
  import -display "$DISPLAY" -window root build/win32/screenshot.png
  echo "run: no display here; screenshot saved to build/win32/screenshot.png"
fi
echo "run: Vestun is running (Ctrl+C ends it)"
wait "$desktop"
