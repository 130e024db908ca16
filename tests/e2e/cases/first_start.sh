#!/bin/bash
# A first start: the quiet envelope comes, the settings dialog opens on
# "Ящики" for the empty default box, its pages answer clicks, Tab and arrows;
# the main window is never shown. The tree must be expected/first-start.reg.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun
e2e_wait_settings
expect_tray 5 quiet 110
e2e_items 1038
expect_eq "tabs" "$(e2e_rows)" $'Общие\n*Ящики\nКоманды\nАнтиспам'
expect_ctls "1002 visible 1" "1002 text pop.example.invalid" "1013 text " "1014 text " "1051 text 1" "1048 text 1" \
  "1043 enabled 1" "1039 enabled 0" "1040 enabled 0" "1041 enabled 0" "1042 enabled 0" "1044 enabled 0" \
  "1046 enabled 0" "1047 enabled 0"
e2e_tab 0 "1051 visible 0" "1031 state 1" "1022 text 10" "1045 text Мыло припёрло" "1064 state 0" "1032 state 1"
# From the message text Tab reaches the drop-down list and Down picks its next item.
e2e_click 1045
e2e_keys Tab Down
expect_ctls "1064 state 1"
e2e_tab 2 "1061 visible 1" "1051 visible 0"
e2e_tab 3
e2e_close_settings Escape

w=$(drv find-window --class "$E2E_MAIN_CLASS") || e2e_fail "no main window"
IFS=, read -r _ top _ height <<<"$(kv rect "$w")"
[ $((top + height)) -le 0 ] || e2e_fail "the main window reaches into the screen: $(kv rect "$w")"
watch=$(drv watch-window --class "$E2E_MAIN_CLASS" --for 3000 --every 200)
expect_eq "samples with the window shown or gone" "$(($(kv visible_samples "$watch") + $(kv missing "$watch")))" 0
expect_eq "visible windows of vestun.exe" "$(kv count "$(drv window-count --pid "$(kv pid "$w")" --visible)")" 0

expect_settings_tree first-start --start
e2e_pass
