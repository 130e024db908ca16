#!/bin/bash
# The poll benchmark: our date-mode poll against Python's poplib and against
# a burst client (the lower bound), over a private Dovecot on loopback with a
# 1,000-message and a 10,000-message box. Prints figures; passes or fails
# nothing except on errors.
#
#   bench/run.sh            RUNS=7 bench/run.sh     (rounds, median taken; default 9)
#
# Builds poll_bench in build/bench (Release, VESTUN_BENCH=ON). Needs root and
# Dovecot, like tests/support/dovecot.sh.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/bench/common.sh"
RUNS=${RUNS:-9}
DATE="2026-01-02 03:04:05"

[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || die "RUNS must be a positive number"
command -v python3 >/dev/null || die "python3 is not installed"

build_poll_bench

SERVER_DIR=$(mktemp -d /tmp/vestun-bench-XXXXXX)
cleanup() {
  "$DOVECOT" stop "$SERVER_DIR" >/dev/null 2>&1 || true
  rm -rf "$SERVER_DIR"
}
trap cleanup EXIT

echo "== filling a private Dovecot"
started=$(date +%s.%N)
PORT=$("$DOVECOT" start "$SERVER_DIR")
after_start=$(date +%s.%N)
"$DOVECOT" adduser "$SERVER_DIR" box1k secret
"$DOVECOT" adduser "$SERVER_DIR" box10k secret
"$DOVECOT" deliver-many "$SERVER_DIR" box1k 1000 "$DATE"
after_1k=$(date +%s.%N)
"$DOVECOT" deliver-many "$SERVER_DIR" box10k 10000 "$DATE"
after_10k=$(date +%s.%N)
awk -v a="$started" -v b="$after_start" -v c="$after_1k" -v d="$after_10k" 'BEGIN {
  printf "   start %.2f s, 1,000 messages %.2f s, 10,000 messages %.2f s\n", b - a, c - b, d - c }'

ours() { "$POLL_BENCH" "$PORT" "$1" secret 1; }
poplib() { python3 "$ROOT/bench/poplib_reference.py" "$PORT" "$1" secret 1; }
burst() { python3 "$ROOT/bench/burst_reference.py" "$PORT" "$1" secret 1; }

# Dovecot builds its index and caches on the first look at a box: a warm-up
# round that is not counted.
for box in box1k box10k; do
  ours "$box" >/dev/null || die "our poll of $box failed"
done
poplib box1k >/dev/null || die "poplib failed"
burst box1k >/dev/null || die "the burst client failed"

# The clients take turns, one run each per round, so a machine that gets
# busier or quieter meanwhile weighs on all of them alike.
declare -A runs=()
last_1k="" last_10k="" peak_rss=0
echo "== $RUNS rounds (load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs)"
for ((round = 1; round <= RUNS; round++)); do
  last_1k=$(ours box1k) || die "our poll of box1k failed"
  poplib_line=$(poplib box1k) || die "poplib failed"
  burst_line=$(burst box1k) || die "the burst client failed"
  last_10k=$(ours box10k) || die "our poll of box10k failed"
  runs[ours_1k]+="${runs[ours_1k]:+,}$(field median_ms "$last_1k")"
  runs[poplib_1k]+="${runs[poplib_1k]:+,}$(field median_ms "$poplib_line")"
  runs[burst_1k]+="${runs[burst_1k]:+,}$(field median_ms "$burst_line")"
  runs[ours_10k]+="${runs[ours_10k]:+,}$(field median_ms "$last_10k")"
  rss=$(field rss_peak_kb "$last_10k")
  [ "$rss" -gt "$peak_rss" ] && peak_rss=$rss
done
for name in ours_1k poplib_1k burst_1k ours_10k; do
  printf '   %-10s %s ms\n' "$name" "${runs[$name]}"
done

for line in "$last_1k" "$last_10k"; do
  [ "$(field stat "$line")" = "$(field new "$line")" ] \
    || echo "   warning: the poll saw $(field stat "$line") messages but counted $(field new "$line") new" >&2
done
[ "$(field stat "$last_1k")" = 1000 ] || die "STAT in the 1,000 box said $(field stat "$last_1k")"
[ "$(field stat "$last_10k")" = 10000 ] || die "STAT in the 10,000 box said $(field stat "$last_10k")"

awk -v ours="$(median "${runs[ours_1k]}")" -v poplib="$(median "${runs[poplib_1k]}")" \
    -v burst="$(median "${runs[burst_1k]}")" -v ours10="$(median "${runs[ours_10k]}")" \
    -v rss_before="$(field rss_before_kb "$last_10k")" -v rss_peak="$peak_rss" '
function verdict(ok) { return ok ? "ok" : "MISSED" }
BEGIN {
  print ""
  print "== results (medians)"
  printf "1,000 messages:      ours %.1f ms, poplib %.1f ms, burst %.1f ms\n", ours, poplib, burst
  printf "ours per message:    %.1f us\n", ours * 1000 / 1000
  printf "ours / poplib:       %.2f  (target at most 0.9: %s)\n", ours / poplib, verdict(ours / poplib <= 0.9)
  printf "ours / burst:        %.2f  (target at most 3: %s)\n", ours / burst, verdict(ours / burst <= 3)
  printf "10,000 messages:     ours %.1f ms, %.1f us per message\n", ours10, ours10 * 1000 / 10000
  printf "10k / 1k:            %.1f  (linear is about 10)\n", ours10 / ours
  printf "peak memory (10k):   %d KB max RSS of the whole process, %d KB before its poll\n", rss_peak, rss_before
}'
