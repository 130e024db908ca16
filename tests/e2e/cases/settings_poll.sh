#!/bin/bash
# "Тест" with a wrong and the right password; an interval of 25 typed and
# taken with Enter is stored and polls at once (what is refused, the host
# shows); against a server that drips its greeting "Тест" stays disabled while
# the dialog answers.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_hostile_pop3 drip
e2e_dovecot_start tester 'r1ght'
E2E_BOX_VALUES='"Delay"=dword:00000258'
e2e_seed_pop3_boxes "tester wr0ng 0 0 /mail box1"
e2e_start_vestun
expect_dovecot_log 'pop3-login: .*auth failed.*user=<tester>' 1 20

e2e_open_settings 1
e2e_click 1021
expect_message_box "Вестун :(" "Сервер отверг пароль!" absent 1
expect_eq "system-modal" "$(kv topmost "$E2E_BOX")" 0
expect_dovecot_log 'pop3-login: .*auth failed.*user=<tester>' 2 5
drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not close the refusal"
e2e_set_texts 1014 'r1ght'
e2e_click 1021
e2e_dismiss_box "Вестун :)" "Проверка прошла удачно, новых писем нет." absent
expect_dovecot_log 'pop3\(tester\).*Logged out' 1 5
e2e_set_texts 1015 25
e2e_click 1015
e2e_close_settings Return
expect_dovecot_log 'pop3\(tester\).*Logged out' 2 5
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' Delay 25

e2e_open_settings
e2e_set_texts 1003 "$E2E_HOSTILE_PORT"
e2e_click 1021 "1021 enabled 0"
e2e_tab 0
e2e_tab 1 "1021 enabled 0"
grep -q ' open' "$E2E_ARTIFACTS/hostile-drip.log" || e2e_fail "the test did not reach the dripping server"
e2e_close_settings Escape
e2e_wait_vestun_ready
e2e_pass
