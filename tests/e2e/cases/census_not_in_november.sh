#!/bin/bash
# The census waits for December: on its last day November asks nothing and
# notes no year.
E2E_DATE="2026-11-30 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_install_recorder
e2e_start_vestun
e2e_wait_vestun_ready
expect_no_message_box 5
expect_eq "LastCensusYear" \
  "$(kv value "$(drv reg-query --key 'HKCU\Software\Tandreller\Settings' --value LastCensusYear)")" 0
e2e_wait_recorded 1 0
expect_eq "what was opened" "$E2E_RECORDED_LINES" ""
e2e_pass
