#!/bin/bash
# Three boxes polled every 20 s, each on a hostile server (hostile_pop3.py):
# "endless" streams a header block without end, "drip" sends its greeting a
# byte every 10 s, "huge" claims 2147483647 letters and closes. Each poll
# ends in bounded time and the next tick polls again; over two minutes
# vestun.exe stays up, uses little CPU and shows no message.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
calc() { LC_ALL=C awk "BEGIN { $1 }"; }  # arithmetic on seconds with fractions
servers=(endless drip huge)
for mode in "${servers[@]}"; do
  e2e_hostile_pop3 "$mode"
  E2E_BOX_PORTS+=("$E2E_HOSTILE_PORT")
done
e2e_install_recorder
# Later than the date the endless stream's headers carry: nothing counts as new.
known=$(e2e_time_value '2026-06-14 10:00:00')
e2e_seed_pop3_boxes "endless pw 0 $known /mail endless" "drip pw 0 $known /mail drip" "huge pw 0 $known /mail huge"
started=$(date +%s.%N)
e2e_start_vestun
vestun=$(e2e_vestun_pid)
[ -n "$vestun" ] || e2e_fail "cannot find the process of vestun.exe"

cpu_before=$(e2e_cpu_seconds "$vestun")
sleep 120
e2e_alive "$vestun" || e2e_fail "vestun.exe ended during the polls"
used=$(calc "printf \"%.2f\", $(e2e_cpu_seconds "$vestun") - $cpu_before")
faults=()
calc "exit !($used < 10)" || faults+=("vestun.exe used $used s of CPU in 120 s, expected under 10")
# Each server's connections in seconds from the program's start, and the gap
# between the first two (how each one ended: hostile-MODE.log).
for mode in "${servers[@]}"; do
  opened=$(LC_ALL=C awk -v s="$started" '$5 == "open" { printf "%.1f ", $1 - s }' "$E2E_ARTIFACTS/hostile-$mode.log")
  e2e_log "$mode: connections at ${opened:-none}s"
  read -r first second _ <<<"$opened"
  [ -n "${second:-}" ] || { faults+=("$mode: no second poll"); continue; }
  gap=$(calc "print int($second - $first)")
  case $mode in
    drip) [ "$gap" -ge 55 ] && [ "$gap" -le 100 ] || faults+=("drip: second poll after $gap s, expected 60-100") ;;
    *) [ "$gap" -le 45 ] || faults+=("$mode: second poll after $gap s, expected 20-45") ;;
  esac
done
[ ${#faults[@]} -eq 0 ] || e2e_fail "$(printf '%s; ' "${faults[@]}")"
e2e_log "ok: each box polled again in time; vestun.exe used $used s of CPU in 120 s"

expect_no_message_box 2
e2e_shot after-polls
e2e_pass
