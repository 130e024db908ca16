#!/bin/bash
# Three boxes holding two, one and no letters, with a WAV file that does not
# exist: the envelope rocks without a message. A mouse move opens the box
# menu with counts; choosing boxes 1 and 2 starts their mail programs and
# quiets the tray (the shield envelope of 22 February). Quiet, only a left
# click opens the menu, and box 3 still starts its program. At 144 DPI the
# shield is drawn at 24x24.
E2E_DATE="2027-02-22 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
for user in first second third; do e2e_dovecot_adduser "$user" "pw-$user"; done
e2e_deliver first "One" "2027-02-21 10:00:00"
e2e_deliver first "Two" "2027-02-21 11:00:00"
e2e_deliver second "Three" "2027-02-21 12:00:00"
e2e_install_recorder
E2E_BOX_VALUES='"MsminRunMode"=dword:00000000
"SoundMode"=dword:00000001
"WavPath"="C:\\Vestun\\missing.wav"'
e2e_seed_pop3_boxes "first pw-first 0 0 /mail box1" "second pw-second 0 0 /mail box2" \
  "third pw-third 0 0 /mail box3"
e2e_start_vestun
e2e_tray_spot
expect_tray 20 jumping
expect_no_message_box 1
e2e_wait_vestun_ready

away() { e2e_mouse mousemove 500 300; }
e2e_mouse mousemove "$E2E_TRAY_X" "$E2E_TRAY_Y"
e2e_menu_keys 0x28,0x0d box-menu-counts  # box 1
away
e2e_wait_recorded 1
expect_tray 5 jumping
e2e_mouse mousemove "$E2E_TRAY_X" "$E2E_TRAY_Y"
e2e_menu_keys 0x28,0x28,0x0d box-menu-one-left  # box 2
away
e2e_wait_recorded 2
expect_tray 5 quiet 129

e2e_mouse mousemove "$E2E_TRAY_X" "$E2E_TRAY_Y"
sleep 1
expect_eq "menus open on a quiet mouse move" "$(kv count "$(drv window-count --class '#32768' --visible)")" 0
e2e_tray_click 1
e2e_menu_keys 0x26,0x0d box-menu-quiet  # box 3, the last
away
e2e_wait_recorded 3
expect_eq "mail programs started" "$E2E_RECORDED_LINES" '"C:\Vestun\recorder.exe" /mail box1
"C:\Vestun\recorder.exe" /mail box2
"C:\Vestun\recorder.exe" /mail box3'
expect_tray 3 quiet 129
e2e_shot shield

# Wine takes the DPI from the user's desktop settings at its next start.
e2e_spawn timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f \
  >>"$E2E_ARTIFACTS/wine.log" 2>&1 || e2e_fail "cannot set the DPI"
e2e_restart_vestun "$E2E_DATE"
expect_eq "small icons at 144 DPI" "$(kv small_icon "$(drv metrics)")" 24
E2E_ICON_SIZE=24
expect_tray 10 quiet 129
e2e_shot shield-144dpi
e2e_pass
