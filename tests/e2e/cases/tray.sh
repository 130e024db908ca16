#!/bin/bash
# The tray icon through one box's life, after a start whose version check
# finds no site: two letters rocking the envelope through a new taskbar; a
# right click opening the new-mail list at the mouse, out of the taskbar,
# where only "Прочитать" of its buttons does anything; a left click starting
# the mail program; another program posting the window, with whatever
# parameters, the message that wakes it for queued work; "Выход".
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start tester 'tRay1'
E2E_AUTO_CHECK=1
E2E_BOX_VALUES='"MsminRunMode"=dword:00000000'
e2e_seed_pop3_boxes "tester tRay1 0 0 /mail box1"
e2e_start_vestun --ready
expect_last_check_of_run
e2e_tray_spot 10 quiet 110
expect_tray_tooltip "Все спокойно!"

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

e2e_tray_click 3
e2e_dialog "Список новых писем (функция в разработке)"
IFS=, read -r l t w h <<<"$(kv rect "$E2E_WINDOW")"
IFS=, read -r _ _ _ bottom <<<"$(kv work_area "$(drv metrics)")"
expect_eq "bottom-right corner of the list" "$((l + w)),$((t + h))" "$E2E_TRAY_X,$((bottom < E2E_TRAY_Y ? bottom : E2E_TRAY_Y))"
e2e_items 1026
expect_eq "columns and rows" "$(tr '\t' ' ' <<<"$E2E_ITEMS")" \
  $'column=0 53 Размер\ncolumn=1 120 От\ncolumn=2 180 Тема\ncolumn=3 62 Получено'
expect_ctls "1033 visible 0" "1 text Прочитать"
for id in 4 5 6 1; do e2e_click "$id"; done
e2e_dialog_gone "$E2E_DIALOG"
expect_tray 5 jumping

e2e_tray_click 1
e2e_wait_recorded 1
expect_eq "started by the click" "$E2E_RECORDED_LINES" '"C:\Vestun\recorder.exe" /mail box1'
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest"  # the letters are taken
expect_tray 5 quiet 110
expect_tray_tooltip "Все спокойно!"

# The menu below opens on a message the shell posts after these: the program
# has handled them by then.
for params in "1 0" "0 0" "0x41414141 -1"; do
  drv post --class "$E2E_MAIN_CLASS" --message 0x8100 --wparam "${params% *}" --lparam "${params#* }" \
    || e2e_fail "could not post to the main window"
done
for step in "7 tray-menu quiet 110" "6 exit-menu empty"; do  # "Выход", the fourth item: No, then Yes
  read -r answer shot state <<<"$step"
  e2e_tray_click 3
  e2e_menu_keys 0x28,0x28,0x28,0x28,0x0d "$shot"
  e2e_answer_question "Точно выход?" "$answer"
  expect_tray 3 $state
done
e2e_pass
