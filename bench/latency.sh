#!/bin/bash
# The poll over a link with latency: a private Dovecot behind
# bench/latency_proxy.py, which holds every chunk DELAY_MS each way. For a
# box of 100 and one of 1,000 messages it prints our first poll (nothing
# remembered), our next poll (everything remembered, one new message
# delivered in between) and the burst client, each with its time and the
# bytes it read and sent; then how they stand against the targets. Prints
# figures; passes or fails nothing except on errors.
#
#   bench/latency.sh        DELAY_MS=15 NEXT_RUNS=2 HEADER_BYTES=4000 bench/latency.sh
#
# NEXT_RUNS is the number of polls sharing one memory (the first of them
# remembers nothing, so at least 2); a poll_bench without --remember gets
# "next poll: not available". Each message carries about HEADER_BYTES of
# relays' headers (0: bare ones). Builds poll_bench like bench/run.sh; needs root
# and Dovecot, like tests/support/dovecot.sh.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/bench/common.sh"
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

[[ "$DELAY_MS" =~ ^[0-9]+$ ]] || die "DELAY_MS must be a whole number of milliseconds"
[[ "$NEXT_RUNS" =~ ^[2-9]$ ]] || die "NEXT_RUNS must be 2 to 9"
[[ "$HEADER_BYTES" =~ ^[0-9]+$ ]] || die "HEADER_BYTES must be a whole number of bytes"
command -v python3 >/dev/null || die "python3 is not installed"

build_poll_bench

SERVER_DIR=$(mktemp -d /tmp/vestun-latency-XXXXXX)
PROXY_PID=""
CLIENT_PID=""
cleanup() {
  local pid
  for pid in $CLIENT_PID $PROXY_PID; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
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
  echo "   box of $size: first poll ${figures[first_ms_$size]} ms, burst ${figures[burst_ms_$size]} ms, next poll ${figures[next_ms_$size]:-n/a}${figures[next_ms_$size]:+ ms}"
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
      -v next_time="${figures[next_ms_$size]:-0}" -v next_bare="${figures[direct_next_$size]:-0}" \
      -v next_down="${figures[next_down_$size]:-0}" -v next_up="${figures[next_up_$size]:-0}" '
function verdict(ok) { return ok ? "ok" : "MISSED" }
BEGIN {
  printf "\n%d messages, %d ms round trip\n", size, 2 * delay
  printf "first poll:   %.1f ms (%.1f ms without latency), read %d bytes, sent %d\n", first, first_direct, first_down, first_up
  printf "burst client: %.1f ms, read %d bytes, sent %d\n", burst, burst_down, burst_up
  if (size == 1000)
    printf "first / burst: %.2f  (target at most 3: %s)\n", first / burst, verdict(first / burst <= 3)
  else
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
