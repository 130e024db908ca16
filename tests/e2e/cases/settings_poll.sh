#!/bin/bash
# "Тест" with a wrong and the right password; an interval of 19 is not stored,
# 25 with Enter is and polls at once; against a server that drips its greeting
# "Тест" stays disabled while the dialog answers.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_hostile_pop3 drip
e2e_dovecot_start
e2e_dovecot_adduser tester 'r1ght'
e2e_install_recorder
E2E_BOX_VALUES='"Delay"=dword:00000258'
e2e_seed_pop3_boxes "tester wr0ng 0 0 /mail box1"
box='HKCU\Software\Tandreller\MailBoxes\1'
set_text() { drv set-texts --title "$E2E_SETTINGS" "$1" "$2" || e2e_fail "cannot set $1 to $2"; }
close_box() { drv press --caption "$1" --id 1 >/dev/null || e2e_fail "could not close '$1'"; }
e2e_start_vestun
expect_dovecot_log 'pop3-login: .*auth failed.*user=<tester>' 1 20

e2e_open_settings
pid=$(e2e_vestun_pid)  # a loaded machine may stall it: its dialog must not read as closed
kill -STOP "$pid" || e2e_fail "cannot stop vestun.exe"
drv wait-no-window --class '#32770' --title "$E2E_SETTINGS" --timeout 3000 >/dev/null
gone=$?
kill -CONT "$pid"
[ "$gone" -ne 0 ] || e2e_fail "the settings dialog of a stalled program reads as closed"
e2e_tab 1
e2e_click 1021
expect_message_box "Вестун :(" "Сервер отверг пароль!" absent 1
expect_eq "system-modal" "$(kv topmost "$E2E_BOX")" 0
expect_dovecot_log 'pop3-login: .*auth failed.*user=<tester>' 2 5
close_box "Вестун :("
set_text 1014 'r1ght'
e2e_click 1021
expect_message_box "Вестун :)" "Проверка прошла удачно, новых писем нет." absent 1
expect_dovecot_log 'pop3\(tester\).*Logged out' 1 5
close_box "Вестун :)"

set_text 1015 19
e2e_click 1
e2e_settings_gone
e2e_reg_export "$box" "$E2E_ARTIFACTS/box.reg"
e2e_unscramble_passwords "$E2E_ARTIFACTS/box.reg"
expect_eq "stored after an interval of 19" "$(grep -E '^"(Delay|Password)"' "$E2E_ARTIFACTS/box.reg")" \
  $'"Delay"=dword:00000258\n"Password"=scrambled("r1ght")'
sleep 2
expect_eq "polls after an interval of 19" "$(grep -c 'pop3(tester).*Logged out' "$E2E_DOVECOT/log/dovecot.log")" 1

e2e_open_settings
expect_ctls "1038 state 1" "1015 text 600"
set_text 1015 25
e2e_click 1015
e2e_keys Return
e2e_settings_gone
expect_dovecot_log 'pop3\(tester\).*Logged out' 2 5
expect_reg_value "$box" Delay 25

e2e_open_settings
set_text 1003 "$E2E_HOSTILE_PORT"
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
