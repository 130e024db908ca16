#!/bin/bash
# The main window only receives messages: it has no title, lies wholly above
# the screen and is never shown; nothing else of Vestun is shown either.
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
e2e_pass
