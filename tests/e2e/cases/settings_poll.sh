#!/bin/bash
# The mailbox page against the run's Dovecot, on an empty box with a wrong
# password, checked every 600 s: one refused poll at start.
#   "Тест" runs the timers' poll: "Сервер отверг пароль!"; with the right
#     password, "Проверка прошла удачно, новых писем нет."; both boxes carry
#     OK alone, no icon, and are not system-modal;
#   an interval of 19 and "Сохранить": Delay stays 600, the password is
#     stored scrambled, and no poll follows;
#   reopened from the tray, the dialog shows "Ящики" again; an interval of 25
#     and Enter ("Сохранить"): Delay 25 and a poll at once;
#   a test against a server that drips its greeting (a minute's wait): "Тест"
#     stays disabled while the dialog goes on answering clicks, and Escape
#     closes it.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_hostile_pop3 drip
e2e_dovecot_start
e2e_dovecot_adduser tester 'r1ght'
e2e_install_recorder
E2E_BOX_VALUES='"Delay"=dword:00000258'
e2e_seed_pop3_boxes "tester wr0ng 0 0 /mail box1"
box='HKCU\Software\Tandreller\MailBoxes\1'
logins() { grep -cE 'pop3\(tester\).*Logged out' "$E2E_DOVECOT/log/dovecot.log"; }
e2e_start_vestun
expect_dovecot_log 'pop3-login: .*auth failed.*user=<tester>' 1 20

e2e_open_settings
e2e_tab 1
e2e_click 1021
expect_message_box "Вестун :(" "Сервер отверг пароль!" absent 1
expect_eq "system-modal" "$(kv topmost "$E2E_BOX")" 0
expect_dovecot_log 'pop3-login: .*auth failed.*user=<tester>' 2 5
drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not close the test's message"
drv set-texts --title "$E2E_SETTINGS" 1014 'r1ght' || e2e_fail "cannot set the password"
e2e_click 1021
expect_message_box "Вестун :)" "Проверка прошла удачно, новых писем нет." absent 1
expect_dovecot_log 'pop3\(tester\).*Logged out' 1 5
e2e_shot connection-test
drv press --caption "Вестун :)" --id 1 >/dev/null || e2e_fail "could not close the test's message"

drv set-texts --title "$E2E_SETTINGS" 1015 19 || e2e_fail "cannot set the interval"
e2e_click 1
e2e_settings_gone
e2e_reg_export "$box" "$E2E_ARTIFACTS/box.reg"
e2e_unscramble_passwords "$E2E_ARTIFACTS/box.reg"
expect_eq "stored after an interval of 19" "$(grep -E '^"(Delay|Password)"' "$E2E_ARTIFACTS/box.reg")" \
  $'"Delay"=dword:00000258\n"Password"=scrambled("r1ght")'
sleep 2
expect_eq "polls after an interval of 19" "$(logins)" 1

e2e_open_settings
expect_ctls "1038 state 1" "1015 text 600"
drv set-texts --title "$E2E_SETTINGS" 1015 25 || e2e_fail "cannot set the interval"
e2e_click 1015
e2e_keys Return
e2e_settings_gone
expect_dovecot_log 'pop3\(tester\).*Logged out' 2 5
expect_reg_value "$box" Delay 25

e2e_open_settings
drv set-texts --title "$E2E_SETTINGS" 1003 "$E2E_HOSTILE_PORT" || e2e_fail "cannot set the port"
e2e_click 1021
expect_ctls "1021 enabled 0"
e2e_tab 0
e2e_tab 1
expect_ctls "1021 enabled 0"
grep -q ' open' "$E2E_ARTIFACTS/hostile-drip.log" || e2e_fail "the test did not reach the dripping server"
e2e_keys Escape
e2e_settings_gone
e2e_wait_vestun_ready
e2e_pass
