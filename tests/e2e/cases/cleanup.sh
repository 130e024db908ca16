#!/bin/bash
# Nothing of ours outlives the tests: first what the other cases left (this
# case runs after them), their Dovecots included, then a run of its own,
# ended by the harness.
. "$(dirname "$0")/../lib.sh"
e2e_parse_args "$@"
left=$(e2e_pids_marked "VESTUN_E2E_OWNER=$E2E_WORK")
dovecots=$(e2e_dovecot_leftovers)
if [ -n "$left$dovecots" ]; then
  [ -z "$left" ] || { e2e_describe_pids $left >&2; e2e_kill_pids $left; }
  [ -z "$dovecots" ] || { printf 'Dovecot %s\n' "$dovecots" >&2; e2e_dovecot_end_leftovers; }
  e2e_fail "the cases left processes running (listed above, now ended)"
fi
e2e_log "ok: no process left by the earlier cases"

e2e_begin "$@"
e2e_start_vestun
ours=$(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN")
e2e_describe_pids $ours >"$E2E_ARTIFACTS/processes.txt"
vestun=$(grep -i 'vestun\.exe' "$E2E_ARTIFACTS/processes.txt" | grep -v explorer | cut -d' ' -f1)
server=$(grep 'wineserver' "$E2E_ARTIFACTS/processes.txt" | cut -d' ' -f1)
[ -n "$vestun" ] || e2e_fail "cannot see vestun.exe among the processes of the run"
[ -n "$server" ] || e2e_fail "cannot see the wineserver of the run"
xvfb=$E2E_XVFB_PID
display=${DISPLAY#:}

e2e_stop_all || e2e_fail "the harness could not end its processes"
E2E_XVFB_PID=""
for p in $ours $xvfb; do
  e2e_alive "$p" && e2e_fail "still running after the clean-up: $(e2e_describe_pids "$p")"
done
[ -e "/tmp/.X11-unix/X$display" ] && e2e_fail "the X server's socket for :$display is still there"
expect_eq "processes of the run after the clean-up" "$(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN")" ""
e2e_pass
