#!/bin/bash
# The new-mail list, after a start whose version check finds no site: a right
# click on the rocking envelope opens it at the mouse, out of the taskbar; only
# "Прочитать" of its buttons does anything, and the envelope rocks on.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'l1st'
e2e_deliver tester "Newer" "2026-06-12 10:00:00"
e2e_install_recorder
E2E_AUTO_CHECK=1
E2E_BOX_VALUES='"MsminRunMode"=dword:00000000'
e2e_seed_pop3_boxes "tester l1st 0 $(e2e_time_value '2026-06-11 10:00:00') /mail box1"
e2e_start_vestun
expect_tray 20 jumping
expect_last_check_of_run
expect_no_message_box 1
e2e_tray_spot

list="Список новых писем (функция в разработке)"
e2e_tray_click 3
e2e_dialog "$list"
IFS=, read -r l t w h <<<"$(kv rect "$E2E_WINDOW")"
bottom=$(kv work_area "$(drv metrics)")
bottom=$((${bottom##*,} < E2E_TRAY_Y ? ${bottom##*,} : E2E_TRAY_Y))
expect_eq "bottom-right corner of the list" "$((l + w)),$((t + h))" "$E2E_TRAY_X,$bottom"
e2e_items 1026
expect_eq "columns and rows" "$(tr '\t' ' ' <<<"$E2E_ITEMS")" \
  $'column=0 53 Размер\ncolumn=1 120 От\ncolumn=2 180 Тема\ncolumn=3 62 Получено'
e2e_mouse mousemove 500 300  # the tray's tooltip goes
drv wait-no-window --class tooltips_class32 --visible --timeout 5000 >/dev/null
e2e_shot list "$(kv rect "$E2E_WINDOW")"
expect_ctls "1033 visible 0" "1 text Прочитать"
for id in 4 5 6; do e2e_click "$id"; done
sleep 0.5
drv find-window --class '#32770' --title "$list" --visible >/dev/null || e2e_fail "a click on 4, 5 or 6 closed the list"
e2e_click 1
e2e_dialog_gone "$list"
expect_tray 5 jumping
e2e_pass
