#!/bin/bash
# Three boxes with two, one and no letters and a missing WAV file: the box menu
# opens on a mouse move while the envelope rocks, else on a left click; the
# quiet icon of 22 February is the shield, drawn at 24x24 at 144 DPI.
E2E_DATE="2027-02-22 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start first pw-first second pw-second third pw-third
e2e_deliver first "One" "2027-02-21 10:00:00"
e2e_deliver first "Two" "2027-02-21 11:00:00"
e2e_deliver second "Three" "2027-02-21 12:00:00"
E2E_BOX_VALUES='"MsminRunMode"=dword:00000000
"SoundMode"=dword:00000001
"WavPath"="C:\\Vestun\\missing.wav"'
e2e_seed_pop3_boxes "first pw-first 0 0 /mail box1" "second pw-second 0 0 /mail box2" \
  "third pw-third 0 0 /mail box3"
e2e_start_vestun
e2e_tray_spot 20 jumping
expect_no_message_box 1
e2e_wait_vestun_ready

# Box 1, box 2, then box 3, the last (keys in the menu), the recorder's N-th start.
for step in "0x28,0x0d box-menu-counts 1 jumping" "0x28,0x28,0x0d box-menu-one-left 2 quiet 129" \
  "0x26,0x0d box-menu-quiet 3 quiet 129"; do
  read -r keys shot n state <<<"$step"
  e2e_mouse mousemove "$E2E_TRAY_X" "$E2E_TRAY_Y"
  if [ "$n" = 3 ]; then
    ! drv wait-window --class '#32768' --visible --timeout 1000 >/dev/null || e2e_fail "a menu opened on a quiet mouse move"
    e2e_tray_click 1
  fi
  e2e_menu_keys "$keys" "$shot"
  e2e_mouse mousemove 500 300
  e2e_wait_recorded "$n"
  expect_tray 5 $state
done
expect_eq "mail programs started" "$E2E_RECORDED_LINES" "$(printf '"C:\\Vestun\\recorder.exe" /mail box%s\n' 1 2 3)"

# Wine takes the DPI from the user's desktop settings at its next start.
e2e_reg_set '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"LogPixels"=dword:00000090'
e2e_restart_vestun "$E2E_DATE"
expect_eq "small icons at 144 DPI" "$(kv small_icon "$(drv metrics)")" 24
E2E_ICON_SIZE=24
expect_tray 10 quiet 129
e2e_pass
