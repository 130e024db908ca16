#!/bin/bash
# In December the first start asks for the yearly census; Yes to both
# questions opens the census letter and the vote page (caught by our
# recorder) and the year is noted, so it is not asked again this year.
E2E_DATE="2026-12-01 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_install_recorder
e2e_start_vestun

expect_message_box_starting "Вестун :)" \
  'Здравствуйте!\nВам предлагается принять участие в ежегодной переписи пользователей программы Вестун :)' \
  question "6 7"
expect_eq "census box is system-modal (topmost)" "$(kv topmost "$E2E_BOX")" 1
e2e_shot census-question
drv press --caption "Вестун :)" --id 6 >/dev/null || e2e_fail "could not answer Yes to the census"

expect_message_box_starting "Вестун :))" "Хотите, заодно, проголосовать за программу в хит-параде " question "6 7"
e2e_shot vote-question
drv press --caption "Вестун :))" --id 6 >/dev/null || e2e_fail "could not answer Yes to the vote"

expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCensusYear 126
e2e_wait_recorded 2
expect_eq "what was opened" "$E2E_RECORDED_LINES" \
'"C:\Vestun\recorder.exe" "mailto:vestun@example.org?subject=Вестуном пользуюусь.&body=Вот:)"
"C:\Vestun\recorder.exe" "http://soft.example.com/hitparade/vote.php?a=vote&i=vestun"'
expect_no_message_box 2
e2e_pass
