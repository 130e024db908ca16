#!/bin/bash
# The main window only receives messages: it has no title, sits off screen
# with no size and is never shown; nothing else of Vestun is shown either.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun

w=$(drv find-window --class "$E2E_MAIN_CLASS") || e2e_fail "no main window"
expect_eq "main windows" "$(kv count "$w")" 1
expect_eq "title" "$(kv title "$w")" ""
expect_eq "visible" "$(kv visible "$w")" 0
# Asked for at -100,-100 with no size. A window with a frame is grown to the
# system's least tracking size, so that size counts as "no size" too; either
# way the window lies wholly above the screen.
rect=$(kv rect "$w")
expect_eq "position" "${rect%,*,*}" "-100,-100"
case "${rect#*,*,}" in
  0,0 | "$(kv min_track "$w")") e2e_log "ok: size ${rect#*,*,} (least tracking size $(kv min_track "$w"))" ;;
  *) e2e_fail "size: got ${rect#*,*,}, expected 0,0 or the least tracking size $(kv min_track "$w")" ;;
esac
IFS=, read -r _ top _ height <<<"$rect"
[ $((top + height)) -le 0 ] || e2e_fail "the main window reaches into the screen: $rect"

watch=$(drv watch-window --class "$E2E_MAIN_CLASS" --for 3000 --every 200)
printf '%s\n' "$watch" >"$E2E_ARTIFACTS/watch.txt"
expect_eq "samples without the window" "$(kv missing "$watch")" 0
expect_eq "samples with the window shown" "$(kv visible_samples "$watch")" 0
moved=$(printf '%s\n' "$watch" | awk -F'\t' -v r="rect=$rect" \
  '/^sample=0x/ && ($3 != r || $4 != "title=") { n++ } END { print n + 0 }')
expect_eq "samples with another rect or title" "$moved" 0

expect_eq "visible windows of vestun.exe" \
  "$(kv count "$(drv window-count --pid "$(kv pid "$w")" --visible)")" 0
e2e_shot desktop
e2e_pass
