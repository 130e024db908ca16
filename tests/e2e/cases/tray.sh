#!/bin/bash
# The tray icon through one box's life, with real clicks: quiet, its menu runs
# a built-in command; two letters set the envelope rocking, and it comes back
# rocking when the taskbar is made again; a left click starts the mail
# program and quiets it; "Выход" asks first (No is the default).
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'tRay1'
e2e_install_recorder
E2E_BOX_VALUES='"MsminRunMode"=dword:00000000'
e2e_seed_pop3_boxes "tester tRay1 0 0 /mail box1"
e2e_start_vestun
e2e_wait_vestun_ready
e2e_tray_spot
expect_tray 10 quiet 110
expect_tray_tooltip "Все спокойно!"
e2e_shot quiet

recorder='"C:\Vestun\recorder.exe"'
e2e_tray_click 3
e2e_menu_keys 0x26,0x26,0x0d tray-menu  # the last command but one
e2e_wait_recorded 1
expect_eq "started from the menu" "$E2E_RECORDED_LINES" "$recorder \"http://vestun.example.org/Tandrel/commands.html\""

e2e_deliver tester "First" "2026-06-14 10:00:00"
e2e_deliver tester "Second" "2026-06-14 11:00:00"
latest=$E2E_DELIVERED_AT
expect_tray 30 jumping
drv tray-forget --class "$E2E_MAIN_CLASS" || e2e_fail "could not take the icon off the taskbar"
expect_tray 5 empty
drv broadcast --name TaskbarCreated || e2e_fail "could not announce the taskbar"
expect_tray 5 jumping
expect_tray_tooltip "Мыло припёрло (2 шт.)!"
e2e_shot jumping

e2e_tray_click 1
e2e_wait_recorded 2
expect_eq "started by the click" "$(sed -n 2p <<<"$E2E_RECORDED_LINES")" "$recorder /mail box1"
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest"  # the letters are taken
expect_tray 5 quiet 110
expect_tray_tooltip "Все спокойно!"
e2e_shot after-click

vestun=$(e2e_vestun_pid)
exit_answering() {  # ID: "Выход", the fourth item, and the answer to its question
  e2e_tray_click 3
  e2e_menu_keys 0x28,0x28,0x28,0x28,0x0d
  expect_message_box "Вестун :)" "Точно выход?" question "6 7"
  expect_eq "default answer" "$(kv default_button "$E2E_BOX")" 7
  drv press --caption "Вестун :)" --id "$1" >/dev/null || e2e_fail "could not answer $1"
}
exit_answering 7
expect_tray 3 quiet 110
e2e_alive "$vestun" || e2e_fail "vestun.exe ended after No"
exit_answering 6
e2e_wait_gone 10 "$vestun" || e2e_fail "vestun.exe still runs after Yes"
expect_tray 3 empty
e2e_shot after-exit
e2e_pass
