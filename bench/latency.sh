#!/bin/bash
# The poll over a link with latency: a private Dovecot behind
# bench/latency_proxy.py, which holds every chunk DELAY_MS each way. For a
# box of 100 and one of 1,000 messages it prints our first poll (nothing
# remembered), our next poll (everything remembered, one new message
# delivered in between) and the burst client, each with its time and the
# bytes it read and sent; for the box of 1,000 also the real vestun.exe's
# first poll under Wine, as long as the proxy held its connection, against
# the burst client's connection timed alike; then how they stand against the
# targets. Prints figures; passes or fails nothing except on errors.
#
#   bench/latency.sh [vestun.exe]
#   DELAY_MS=15 NEXT_RUNS=2 HEADER_BYTES=4000 VESTUN_RUNS=5 bench/latency.sh
#
# NEXT_RUNS is the number of polls sharing one memory (the first of them
# remembers nothing, so at least 2); VESTUN_RUNS the number of starts of
# vestun.exe, whose median is taken: under Wine its poll varies more from
# start to start than the others do, with a warm desktop too. A poll_bench
# without --remember gets "next poll: not available". Each message carries
# about HEADER_BYTES of relays' headers (0: bare ones). Builds poll_bench like
# bench/run.sh, and vestun.exe with the win32 preset unless it is given;
# needs root and Dovecot, like tests/support/dovecot.sh, and Wine with Xvfb,
# like tests/e2e.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/bench/common.sh"
. "$ROOT/tools/wine-env.sh"
DELAY_MS=${DELAY_MS:-15}
NEXT_RUNS=${NEXT_RUNS:-2}
HEADER_BYTES=${HEADER_BYTES:-4000}
SIZES="100 1000"
DATE="2026-01-02 03:04:05"
# Bounds on every wait. A client's run: 1,000 round trips of 30 ms take 30 s,
# so this leaves room for a slow machine and NEXT_RUNS polls of that.
RUN_SECONDS=600
PROXY_START_SECONDS=10
# The proxy logs a connection once both sides have closed, or 10 s after one.
PROXY_LOG_SECONDS=15
VESTUN_RUNS=${VESTUN_RUNS:-5}
# vestun.exe polls at start-up: Wine's start, then the poll.
VESTUN_SECONDS=120
WINE_WORK="$ROOT/build/latency"

[[ "$DELAY_MS" =~ ^[0-9]+$ ]] || die "DELAY_MS must be a whole number of milliseconds"
[[ "$NEXT_RUNS" =~ ^[2-9]$ ]] || die "NEXT_RUNS must be 2 to 9"
[[ "$HEADER_BYTES" =~ ^[0-9]+$ ]] || die "HEADER_BYTES must be a whole number of bytes"
[[ "$VESTUN_RUNS" =~ ^[1-9]$ ]] || die "VESTUN_RUNS must be 1 to 9"
command -v python3 >/dev/null || die "python3 is not installed"
command -v x86_64-w64-mingw32-g++ >/dev/null || die "the MinGW-w64 compiler is not installed"
command -v wine >/dev/null || die "Wine is not installed"
command -v Xvfb >/dev/null || die "Xvfb is not installed"

build_poll_bench
mkdir -p "$WINE_WORK"
if [ $# -eq 0 ]; then
  echo "== building vestun.exe in build/win32"
  { cmake --preset win32 -S "$ROOT" && cmake --build "$ROOT/build/win32" -j2 --target vestun; } \
    >"$WINE_WORK/build.log" 2>&1 || die "building vestun.exe failed (see $WINE_WORK/build.log)"
fi
VESTUN=$(realpath "${1:-$ROOT/build/win32/vestun.exe}")
[ -f "$VESTUN" ] || die "no program at $VESTUN"

SERVER_DIR=$(mktemp -d /tmp/vestun-latency-XXXXXX)
PROXY_PID=""
CLIENT_PID=""
# Every Wine process and the X server of vestun_first_polls carry this mark.
WINE_MARK="VESTUN_LATENCY_RUN=$SERVER_DIR"
cleanup() {
  local pid
  for pid in $CLIENT_PID $PROXY_PID; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  WINEPREFIX="$SERVER_DIR/prefix" timeout 30 wineserver -k 2>/dev/null || true
  for pid in $(grep -lzxF -- "$WINE_MARK" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
    [ "$pid" = $$ ] || kill -KILL "$pid" 2>/dev/null || true
  done
  "$DOVECOT" stop "$SERVER_DIR" >/dev/null 2>&1 || true
  rm -rf "$SERVER_DIR"
}
trap cleanup EXIT
# Without these a signal would end the script without the cleanup.
trap 'exit 130' INT
trap 'exit 143' TERM HUP

echo "== filling a private Dovecot"
PORT=$("$DOVECOT" start "$SERVER_DIR")
# Dovecot's auth looks at its password file at most once a second: a user
# added in the second of a delivery may still be unknown to the next one.
for size in $SIZES; do
  "$DOVECOT" adduser "$SERVER_DIR" "box$size" secret
done
for size in $SIZES; do
  # A real header block, with its relays' Received lines and DKIM and ARC
  # signatures, is 3 to 10 KB.
  VESTUN_HEADER_BYTES=$HEADER_BYTES "$DOVECOT" deliver-many "$SERVER_DIR" "box$size" "$size" "$DATE"
done
NEW_MESSAGE="$SERVER_DIR/new.eml"
printf '%s\r\n' "From: Bench Sender <sender@example.org>" "Subject: One more" \
  "Message-ID: <bench-new@example.org>" "" "Delivered between two polls." >"$NEW_MESSAGE"

PROXY_LOG="$SERVER_DIR/proxy.log"
start_proxy() {
  : >"$PROXY_LOG"
  python3 "$ROOT/bench/latency_proxy.py" --target "$PORT" --log "$PROXY_LOG" --delay-ms "$DELAY_MS" \
    --lifetime 3600 >"$SERVER_DIR/proxy.out" 2>"$SERVER_DIR/proxy.err" &
  PROXY_PID=$!
  local deadline=$((SECONDS + PROXY_START_SECONDS))
  until grep -q '^port=' "$SERVER_DIR/proxy.out"; do
    kill -0 "$PROXY_PID" 2>/dev/null || die "the proxy ended: $(cat "$SERVER_DIR/proxy.err")"
    [ $SECONDS -lt $deadline ] || die "the proxy did not listen within ${PROXY_START_SECONDS}s"
    sleep 0.05
  done
  PROXY_PORT=$(sed -n 's/^port=//p' "$SERVER_DIR/proxy.out")
}

# client COMMAND...: runs a client under a time-out, its output in
# $SERVER_DIR/client.out and .err; returns its status. It runs in the
# background and is waited for, so that a signal is handled at once rather
# than when the client ends, and the cleanup ends the client too.
client() {
  local status=0
  timeout "$RUN_SECONDS" "$@" >"$SERVER_DIR/client.out" 2>"$SERVER_DIR/client.err" &
  CLIENT_PID=$!
  wait "$CLIENT_PID" || status=$?
  CLIENT_PID=""
  return "$status"
}

# measure CONNECTIONS COMMAND...: runs a client and sets FIGURES to what it
# printed and CONNS to the proxy's lines for the CONNECTIONS it made.
measure() {
  local expected=$1 before deadline
  shift
  before=$(wc -l <"$PROXY_LOG")
  client "$@" || die "$* failed: $(tail -n 5 "$SERVER_DIR/client.err")"
  FIGURES=$(<"$SERVER_DIR/client.out")
  deadline=$((SECONDS + PROXY_LOG_SECONDS))
  while [ "$(wc -l <"$PROXY_LOG")" -lt $((before + expected)) ]; do
    [ $SECONDS -lt $deadline ] || die "the proxy logged no end of $expected connection(s) of: $*"
    sleep 0.05
  done
  CONNS=$(tail -n +$((before + 1)) "$PROXY_LOG")
}

# bytes DIRECTION LINES: the median of down= or up= over the proxy's lines.
bytes() { median "$(sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2" | paste -sd,)"; }
# spans LINES: how long the proxy held each connection, in ms, comma-separated.
spans() { sed -n 's/.* ms=\([0-9.]*\).*/\1/p' <<<"$1" | paste -sd,; }

# settings_reg BOX: one box on the proxy, in date mode, with every letter
# older than its LastMsgDate, so that nothing but the poll happens: no mail
# program, no error report, and no second poll within the hour.
# "w(i(g(v(i(x(" is "secret" as the program stores it (see e2e_scramble in
# tests/e2e/lib.sh).
settings_reg() {
  bench_settings_reg "$PROXY_PORT" "$1" 'w(i(g(v(i(x(' '"Delay"=dword:00000e10' '"DoCheckBox"=dword:00000001' \
    '"TandrelMode"=dword:00000000' \
    "\"LastMsgDate\"=dword:$(printf %08x $(($(date -u -d "$DATE UTC" +%s) + 86400)))"
}

# vestun_first_polls BOX: starts vestun.exe VESTUN_RUNS times in a fresh Wine
# prefix with BOX as its one mailbox, and prints the proxy's lines of the
# polls it makes at start-up: each start remembers nothing, so each poll is
# a first one. Run it in the background, where Wine's environment stays:
# its Russian locale would give the figures decimal commas.
vestun_first_polls() {
  local before deadline run desktop
  WINE_LAUNCH=(env "$WINE_MARK")
  WINE_LOG="$WINE_WORK/wine.log"
  wine_env ru_RU.UTF-8
  export TZ=UTC WINEPREFIX="$SERVER_DIR/prefix"
  trap 'wine_stop_prefix; wine_stop_xvfb' EXIT
  wine_start_xvfb 1024x768 "$WINE_WORK/xvfb.log" || die "Xvfb did not start"
  wine_fresh_prefix "$WINE_WORK/wine-template" "$WINEPREFIX" || die "could not make a Wine prefix (see $WINE_LOG)"
  settings_reg "$1" >"$SERVER_DIR/settings.reg"
  wine_spawn timeout 60 wine regedit /s "Z:$(tr / '\\' <<<"$SERVER_DIR/settings.reg")" >>"$WINE_LOG" 2>&1 \
    || die "cannot import the settings"
  mkdir -p "$WINEPREFIX/drive_c/Bench" && cp "$VESTUN" "$WINEPREFIX/drive_c/Bench/vestun.exe"
  for ((run = 1; run <= VESTUN_RUNS; run++)); do
    before=$(wc -l <"$PROXY_LOG")
    wine_spawn wine explorer "/desktop=$WINE_DESKTOP,1024x768" 'C:\Bench\vestun.exe' >>"$WINE_LOG" 2>&1 &
    desktop=$!
    deadline=$((SECONDS + VESTUN_SECONDS))
    while [ "$(wc -l <"$PROXY_LOG")" -le "$before" ]; do
      [ $SECONDS -lt $deadline ] || die "vestun.exe's poll of $1 left no line in the proxy's log within ${VESTUN_SECONDS}s"
      sleep 0.1
    done
    tail -n +$((before + 1)) "$PROXY_LOG"
    wine_stop_prefix
    wait "$desktop" || true
  done
}

# between BOX: the command poll_bench runs before each poll but the first.
between() { printf '%q ' "$DOVECOT" deliver "$SERVER_DIR" "$1" "$NEW_MESSAGE"; }

# next_direct BOX: our next poll straight against Dovecot, for its cost
# without latency; sets NEXT_DIRECT to its figures and NEXT to whether
# poll_bench can keep a memory across polls at all: one that cannot takes
# --remember for a stray argument and answers with its usage (exit 2).
next_direct() {
  local status=0
  client "$POLL_BENCH" --remember --between "$(between "$1")" "$PORT" "$1" secret "$NEXT_RUNS" || status=$?
  NEXT_DIRECT=$(<"$SERVER_DIR/client.out")
  case $status in
    0) NEXT=yes ;;
    2) grep -q -- --remember "$SERVER_DIR/client.err" \
         && die "poll_bench refused our next poll: $(tail -n 5 "$SERVER_DIR/client.err")"
       NEXT=no ;;
    *) die "our next poll of $1 failed: $(tail -n 5 "$SERVER_DIR/client.err")" ;;
  esac
}

# first_direct BOX: our first poll straight against Dovecot; sets FIGURES.
first_direct() {
  client "$POLL_BENCH" "$PORT" "$1" secret 1 || die "our poll of $1 failed: $(tail -n 5 "$SERVER_DIR/client.err")"
  FIGURES=$(<"$SERVER_DIR/client.out")
}

start_proxy
echo "== polls, each without latency and then through the proxy at $DELAY_MS ms each way"
echo "   (load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs)"
declare -A figures=()
for size in $SIZES; do
  box="box$size"
  # Dovecot's first look at a box builds its index: not counted.
  first_direct "$box"
  first_direct "$box"
  figures[direct_first_$size]=$(field median_ms "$FIGURES")

  measure 1 "$POLL_BENCH" "$PROXY_PORT" "$box" secret 1
  [ "$(field stat "$FIGURES")" = "$size" ] || die "STAT in $box said $(field stat "$FIGURES")"
  figures[first_ms_$size]=$(field median_ms "$FIGURES")
  figures[first_down_$size]=$(bytes down "$CONNS")
  figures[first_up_$size]=$(bytes up "$CONNS")

  measure 1 python3 "$ROOT/bench/burst_reference.py" "$PROXY_PORT" "$box" secret 1
  figures[burst_ms_$size]=$(field median_ms "$FIGURES")
  figures[burst_down_$size]=$(bytes down "$CONNS")
  figures[burst_up_$size]=$(bytes up "$CONNS")
  figures[burst_span_$size]=$(spans "$CONNS")

  # Before the next polls, which add letters to the box.
  if [ "$size" = 1000 ]; then
    # In the background, like client, so that the cleanup ends it too.
    vestun_first_polls "$box" >"$SERVER_DIR/vestun.out" &
    CLIENT_PID=$!
    wait "$CLIENT_PID" || exit 1
    CLIENT_PID=""
    CONNS=$(<"$SERVER_DIR/vestun.out")
    figures[vestun_runs]=$(spans "$CONNS")
    figures[vestun_ms]=$(median "${figures[vestun_runs]}")
    figures[vestun_down]=$(bytes down "$CONNS")
    figures[vestun_up]=$(bytes up "$CONNS")
    # The same core reads the same headers; fewer bytes mean a poll that stopped short.
    least=$(sed -n 's/.* down=\([0-9]*\).*/\1/p' <<<"$CONNS" | sort -n | head -n 1)
    [ "$least" -ge "${figures[first_down_$size]}" ] \
      || die "a start of vestun.exe read $least bytes of $box, our first poll ${figures[first_down_$size]}"
  fi

  # Each run of these delivers NEXT_RUNS - 1 messages, so they come last.
  next_direct "$box"
  if [ "$NEXT" = yes ]; then
    figures[direct_next_$size]=$(median "$(field next_ms "$NEXT_DIRECT")")
    measure "$NEXT_RUNS" "$POLL_BENCH" --remember --between "$(between "$box")" "$PROXY_PORT" "$box" secret "$NEXT_RUNS"
    figures[next_ms_$size]=$(median "$(field next_ms "$FIGURES")")
    # The first connection is the poll that remembers nothing yet.
    figures[next_down_$size]=$(bytes down "$(tail -n +2 <<<"$CONNS")")
    figures[next_up_$size]=$(bytes up "$(tail -n +2 <<<"$CONNS")")
  fi
  echo "   box of $size: first poll ${figures[first_ms_$size]} ms, burst ${figures[burst_ms_$size]} ms, next poll ${figures[next_ms_$size]:-n/a}${figures[next_ms_$size]:+ ms}${figures[vestun_ms]:+, vestun.exe ${figures[vestun_ms]} ms}"
done

# report SIZE: a box's figures and how they stand against the targets: the
# first poll of 1,000 within 3 times the burst client; a next poll within 10
# round trips of its cost without latency, and under 5 % of the first poll's
# bytes.
report() {
  local size=$1
  awk -v size="$size" -v delay="$DELAY_MS" -v next_ok="$NEXT" \
      -v first="${figures[first_ms_$size]}" -v first_direct="${figures[direct_first_$size]}" \
      -v first_down="${figures[first_down_$size]}" -v first_up="${figures[first_up_$size]}" \
      -v burst="${figures[burst_ms_$size]}" \
      -v burst_down="${figures[burst_down_$size]}" -v burst_up="${figures[burst_up_$size]}" \
      -v burst_span="${figures[burst_span_$size]}" -v vestun="${figures[vestun_ms]}" \
      -v vestun_down="${figures[vestun_down]}" -v vestun_up="${figures[vestun_up]}" \
      -v vestun_runs="${figures[vestun_runs]}" -v vestun_count="$VESTUN_RUNS" \
      -v next_time="${figures[next_ms_$size]:-0}" -v next_bare="${figures[direct_next_$size]:-0}" \
      -v next_down="${figures[next_down_$size]:-0}" -v next_up="${figures[next_up_$size]:-0}" '
function verdict(ok) { return ok ? "ok" : "MISSED" }
BEGIN {
  printf "\n%d messages, %d ms round trip\n", size, 2 * delay
  printf "first poll:   %.1f ms (%.1f ms without latency), read %d bytes, sent %d\n", first, first_direct, first_down, first_up
  printf "burst client: %.1f ms, read %d bytes, sent %d\n", burst, burst_down, burst_up
  if (size == 1000) {
    printf "first / burst: %.2f  (target at most 3: %s)\n", first / burst, verdict(first / burst <= 3)
    printf "vestun.exe:   %.1f ms under Wine, the median of %d starts (%s ms), read %d bytes, sent %d\n", vestun, vestun_count, vestun_runs, vestun_down, vestun_up
    printf "              (as long as the proxy held the connection; the burst client'"'"'s so timed: %.1f ms)\n", burst_span
    printf "vestun.exe / burst: %.2f\n", vestun / burst_span
  } else
    printf "first / burst: %.2f\n", first / burst
  if (next_ok != "yes") {
    print "next poll:    not available (this poll_bench has no --remember)"
    exit
  }
  limit = 10 * 2 * delay + next_bare
  share = 100 * (next_down + next_up) / (first_down + first_up)
  printf "next poll:    %.1f ms (%.1f ms without latency), read %d bytes, sent %d\n", next_time, next_bare, next_down, next_up
  printf "next time:    target at most %.1f ms (10 round trips more): %s\n", limit, verdict(next_time <= limit)
  printf "next bytes:   %.2f %% of the first poll'"'"'s (target under 5 %%): %s\n", share, verdict(share < 5)
}'
}

echo
echo "== results"
for size in $SIZES; do
  report "$size"
done
