#!/bin/bash
# No to the census still counts as asked: no vote question, nothing opened,
# the year noted; the next start in the same year asks nothing.
E2E_DATE="2026-12-01 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_install_recorder
e2e_start_vestun

expect_message_box_starting "Вестун :)" 'Здравствуйте!\nВам предлагается' question "6 7"
drv press --caption "Вестун :)" --id 7 >/dev/null || e2e_fail "could not answer No to the census"
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCensusYear 126
expect_no_message_box 3
e2e_wait_recorded 1 0
expect_eq "what was opened" "$E2E_RECORDED_LINES" ""
e2e_shot after-no
e2e_stop_wine

e2e_start_vestun
e2e_wait_vestun_ready
expect_no_message_box 10
expect_eq "main windows" "$(kv count "$(drv find-window --class "$E2E_MAIN_CLASS")")" 1
expect_eq "LastCensusYear after the second start" \
  "$(kv value "$(drv reg-query --key 'HKCU\Software\Tandreller\Settings' --value LastCensusYear)")" 126
e2e_shot second-start
e2e_pass
