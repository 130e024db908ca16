#!/bin/bash
# Nothing of ours outlives the tests: this case runs after the others and
# looks for what they left running, their Dovecots included.
. "$(dirname "$0")/../lib.sh"
e2e_parse_args "$@"
left=$(e2e_pids_marked "VESTUN_E2E_OWNER=$E2E_WORK")
dovecots=$(e2e_dovecot_leftovers)
if [ -n "$left$dovecots" ]; then
  [ -z "$left" ] || { e2e_describe_pids $left >&2; e2e_kill_pids $left; }
  [ -z "$dovecots" ] || { printf 'Dovecot %s\n' "$dovecots" >&2; e2e_dovecot_end_leftovers; }
  e2e_fail "the cases left processes running (listed above, now ended)"
fi
e2e_pass
