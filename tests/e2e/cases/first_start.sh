#!/bin/bash
# A first start. The main window only receives messages: it has no title,
# lies wholly above the screen and is never shown; nothing else of Vestun is
# shown either. The whole settings tree is written with its defaults: the
# export of HKCU\Software\Tandreller must be exactly expected/first-start.reg.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun

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
expect_file_eq "settings tree after a first start" "$E2E_ARTIFACTS/tree.reg" \
  "$(dirname "$0")/../expected/first-start.reg"
e2e_pass
