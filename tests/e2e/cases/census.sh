#!/bin/bash
# The yearly census, over four starts on one prefix:
#   2025-12-01  the first start asks; No: no vote question, nothing opened, the year noted;
#   2026-11-30  nothing asked: the census waits for December;
#   2026-12-01  a new year asks again; Yes to both opens the census letter and
#               the vote page (caught by our recorder) and notes the year;
#   2026-12-31  nothing asked again in the same year.
E2E_DATE="2025-12-01 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_install_recorder
# A mailbox with server, login and password, not checked: no settings dialog
# at start, no polls.
E2E_BOX_VALUES='"DoCheckBox"=dword:00000000'
e2e_seed_pop3_boxes "census pw 0 0"
settings='HKCU\Software\Tandreller\Settings'
e2e_start_vestun
expect_message_box_starting "Вестун :)" \
  'Здравствуйте!\nВам предлагается принять участие в ежегодной переписи пользователей программы Вестун :)' \
  question "6 7"
expect_eq "census box is system-modal (topmost)" "$(kv topmost "$E2E_BOX")" 1
e2e_shot census-question
drv press --caption "Вестун :)" --id 7 >/dev/null || e2e_fail "could not answer No to the census"
expect_reg_value "$settings" LastCensusYear 125
expect_no_message_box 3

e2e_restart_vestun "2026-11-30 12:00:00"
e2e_wait_vestun_ready
expect_no_message_box 3

e2e_restart_vestun "2026-12-01 12:00:00"
expect_message_box_starting "Вестун :)" 'Здравствуйте!\nВам предлагается' question "6 7"
drv press --caption "Вестун :)" --id 6 >/dev/null || e2e_fail "could not answer Yes to the census"
expect_message_box_starting "Вестун :))" "Хотите, заодно, проголосовать за программу в хит-параде " question "6 7"
e2e_shot vote-question
drv press --caption "Вестун :))" --id 6 >/dev/null || e2e_fail "could not answer Yes to the vote"
expect_reg_value "$settings" LastCensusYear 126
e2e_wait_recorded 2
expect_eq "what was opened over the three starts" "$E2E_RECORDED_LINES" \
'"C:\Vestun\recorder.exe" "mailto:vestun@example.org?subject=Вестуном пользуюусь.&body=Вот:)"
"C:\Vestun\recorder.exe" "http://soft.example.com/hitparade/vote.php?a=vote&i=vestun"'

e2e_restart_vestun "2026-12-31 12:00:00"
e2e_wait_vestun_ready
expect_no_message_box 3
e2e_pass
