#!/bin/bash
# A first start: with the quiet envelope already in the tray, the settings
# dialog opens on "Ящики"
# for the default, empty box, with only "add" enabled; the four pages are
# chosen with clicks, Tab and arrows work, Escape closes it and the icon
# comes. The main window has no title, lies above the screen and is never
# shown. The settings tree must be exactly expected/first-start.reg. A second
# copy started meanwhile says so in two boxes and ends; the first runs on.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun
e2e_wait_settings
e2e_tray_spot
expect_tray 5 quiet 110
e2e_items 1038
expect_eq "tabs" "$(e2e_rows)" $'Общие\n*Ящики\nКоманды\nАнтиспам'
expect_ctls "1002 visible 1" "1002 text pop.example.invalid" "1013 text " "1014 text " "1051 text 1" "1048 text 1" \
  "1043 enabled 1" "1039 enabled 0" "1040 enabled 0" "1041 enabled 0" "1042 enabled 0" "1044 enabled 0" \
  "1046 enabled 0" "1047 enabled 0"
e2e_shot mailbox "$E2E_SETTINGS_RECT"
e2e_tab 0
expect_ctls "1051 visible 0" "1031 state 1" "1022 text 10" "1045 text Мыло припёрло" "1064 state 0" "1032 state 1"
e2e_shot general "$E2E_SETTINGS_RECT"
# From the message text Tab reaches the drop-down list and Down picks its next item.
e2e_click 1045
e2e_keys Tab Down
expect_ctls "1064 state 1"
e2e_tab 2
expect_ctls "1061 visible 1" "1051 visible 0"
e2e_shot commands "$E2E_SETTINGS_RECT"
e2e_tab 3
e2e_shot antispam "$E2E_SETTINGS_RECT"
e2e_keys Escape
e2e_settings_gone
expect_tray 10 quiet 110

w=$(drv find-window --class "$E2E_MAIN_CLASS") || e2e_fail "no main window"
expect_eq "title" "$(kv title "$w")" ""
IFS=, read -r left top _ height <<<"$(kv rect "$w")"
expect_eq "position" "$left,$top" "-100,-100"
[ $((top + height)) -le 0 ] || e2e_fail "the main window reaches into the screen: $(kv rect "$w")"
watch=$(drv watch-window --class "$E2E_MAIN_CLASS" --for 3000 --every 200)
expect_eq "samples with the window shown or gone" "$(($(kv visible_samples "$watch") + $(kv missing "$watch")))" 0
expect_eq "visible windows of vestun.exe" \
  "$(kv count "$(drv window-count --pid "$(kv pid "$w")" --visible)")" 0
e2e_shot desktop

# Past its start-up the tree is complete; exporting while the program runs
# spares a second boot of the prefix.
e2e_wait_vestun_ready
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/tree.reg"
e2e_mark_last_check "$E2E_ARTIFACTS/tree.reg"
expect_file_eq "settings tree after a first start" "$E2E_ARTIFACTS/tree.reg" \
  "$(dirname "$0")/../expected/first-start.reg"

e2e_launch_vestun
expect_message_box "Вестун :)" "Прога уже запущена!" warning 1
drv press --caption "Вестун :)" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :)'"
expect_message_box "Вестун :(" "Не удалось инициализировать приложение!" error 1
drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :('"
drv wait-process-count --name vestun.exe --count 1 --timeout 15000 >/dev/null \
  || e2e_fail "the second vestun.exe did not end after its boxes were answered"
expect_eq "main window of the first copy" "$(drv find-window --class "$E2E_MAIN_CLASS")" "$w"
e2e_pass
