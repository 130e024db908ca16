#!/bin/bash
# What vestun.exe costs at rest: its private memory under Wine, idling with
# one mailbox, against a bare message-loop program (bench/bare_loop.c) in the
# same fresh prefix. Prints figures; passes or fails nothing except on errors.
#
#   bench/memory.sh [vestun.exe]      SETTLE=30 bench/memory.sh
#
# Without an argument it builds vestun.exe with the win32 preset; the e2e
# driver (which waits for each program's window) comes from that build
# either way. Each program runs alone in the Wine desktop; once its window
# exists and SETTLE seconds (default 20) have passed, the figure is
# Private_Clean + Private_Dirty of /proc/PID/smaps_rollup of the Wine process
# that runs the exe. The DLLs each one has mapped (NAME.dlls) and its whole
# smaps (NAME.smaps, for where the memory went) are left in build/memory.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/bench/common.sh"
BUILD_DIR="$ROOT/build/win32"
WORK="$ROOT/build/memory"
SETTLE=${SETTLE:-20}
TARGET_KB=$((3 * 1024))
. "$ROOT/tools/wine-env.sh"

die() { echo "memory: $*" >&2; exit 1; }

[[ "$SETTLE" =~ ^[0-9]+$ ]] || die "SETTLE must be a number of seconds"
command -v x86_64-w64-mingw32-gcc >/dev/null || die "the MinGW-w64 compiler is not installed"
mkdir -p "$WORK"

cmake --preset win32 -S "$ROOT" >"$WORK/build.log" 2>&1 || die "configuring failed (see $WORK/build.log)"
targets=(vestun_e2e_driver)
[ $# -gt 0 ] || targets+=(vestun)
cmake --build "$BUILD_DIR" -j2 --target "${targets[@]}" >>"$WORK/build.log" 2>&1 \
  || die "building failed (see $WORK/build.log)"
VESTUN=$(realpath "${1:-$BUILD_DIR/vestun.exe}")
DRIVER="$BUILD_DIR/tests/e2e/vestun_e2e_driver.exe"
[ -f "$VESTUN" ] || die "no program at $VESTUN"
x86_64-w64-mingw32-gcc -O2 -Wall -mwindows -o "$WORK/bare_loop.exe" "$ROOT/bench/bare_loop.c" \
  || die "cannot build bench/bare_loop.c"

# Wine as the end-to-end cases run it, every process marked with this run.
RUN=$(mktemp -d "${TMPDIR:-/tmp}/vestun-memory.XXXXXX")
WINE_LAUNCH=(env "VESTUN_MEMORY_RUN=$RUN")
WINE_LOG="$WORK/wine.log"
wine_env ru_RU.UTF-8
export WINEPREFIX="$RUN/prefix"

# Live processes of this run.
run_pids() {
  local f pid
  for f in $(grep -lzxF -- "VESTUN_MEMORY_RUN=$RUN" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${f#/proc/}
    pid=${pid%/environ}
    wine_alive "$pid" && echo "$pid"
  done
  return 0
}

finish() {
  local left
  wine_stop_prefix
  left=$(run_pids | grep -vx "${WINE_XVFB_PID:-none}" || true)
  # shellcheck disable=SC2086
  [ -z "$left" ] || kill -KILL $left 2>/dev/null || true
  wine_stop_xvfb
  [ "${KEEP:-0}" = 1 ] || rm -rf "$RUN"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP

# One plain POP3 box on a port of loopback where nothing listens: its polls
# fail at once and quietly, and no window but the program's own comes up.
settings_reg() {
  bench_settings_reg 1 bench 'f(i(r(g(l(' '"Delay"=dword:00000014' '"DoCheckBox"=dword:00000001'
}

# Starts EXE alone in the desktop, waits for its window of CLASS and the
# settle time, and prints its private memory in kB; the DLLs it has mapped
# go to WORK/NAME.dlls, its smaps to WORK/NAME.smaps. Every Wine process of
# the prefix ends afterwards.
measure() {  # NAME EXE CLASS
  local name=$1 pid="" p kb
  cp "$2" "$WINEPREFIX/drive_c/Bench/$name.exe"
  wine_spawn wine explorer "/desktop=$WINE_DESKTOP,1024x768" "C:\\Bench\\$name.exe" >>"$WINE_LOG" 2>&1 &
  wine_spawn timeout 90 wine "$DRIVER" --desktop "$WINE_DESKTOP" wait-window --class "$3" --timeout 60000 \
    >/dev/null 2>>"$WINE_LOG" || die "$name.exe showed no window of class '$3' within 60 s"
  sleep "$SETTLE"
  # Explorer's command line names the exe too, but not first.
  for p in $(run_pids); do
    tr '\0' '\n' <"/proc/$p/cmdline" 2>/dev/null | head -n 1 | grep -qi "\\\\$name\\.exe\$" && pid=$p
  done
  [ -n "$pid" ] || die "no Wine process runs $name.exe"
  kb=$(awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { print kb }' "/proc/$pid/smaps_rollup")
  grep -o '[^/]*\.dll$' "/proc/$pid/maps" | sort -uf >"$WORK/$name.dlls"
  cat "/proc/$pid/smaps" >"$WORK/$name.smaps"
  wine_stop_prefix
  wait
  echo "$kb"
}

megabytes() { LC_ALL=C awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }

wine_start_xvfb 1024x768 "$WORK/xvfb.log" || die "Xvfb did not start"
wine_fresh_prefix "$WORK/wine-template" "$WINEPREFIX" || die "could not make a Wine prefix (see $WINE_LOG)"
settings_reg >"$RUN/settings.reg"
wine_spawn timeout 60 wine regedit /s "Z:$(tr / '\\' <<<"$RUN/settings.reg")" >>"$WINE_LOG" 2>&1 \
  || die "cannot import the settings"
mkdir -p "$WINEPREFIX/drive_c/Bench"
bare=$(measure bare_loop "$WORK/bare_loop.exe" "Bare loop class")
vestun=$(measure vestun "$VESTUN" "Main window class")
echo "private memory (Private_Clean + Private_Dirty of smaps_rollup), $SETTLE s after the window came up:"
printf '  %-24s %8s kB  %s, %d DLLs\n' "bare message loop" "$bare" "$(megabytes "$bare")" \
  "$(wc -l <"$WORK/bare_loop.dlls")"
printf '  %-24s %8s kB  %s, %d DLLs\n' "vestun.exe, one box" "$vestun" "$(megabytes "$vestun")" \
  "$(wc -l <"$WORK/vestun.dlls")"
difference=$((vestun - bare))
printf '  %-24s %8s kB  %s (target: at most %s more; %s)\n' "difference" "$difference" \
  "$(megabytes "$difference")" "$(megabytes "$TARGET_KB")" \
  "$([ "$difference" -le "$TARGET_KB" ] && echo met || echo missed)"
echo "DLLs only vestun.exe maps: $(comm -13 "$WORK/bare_loop.dlls" "$WORK/vestun.dlls" | tr '\n' ' ')"
