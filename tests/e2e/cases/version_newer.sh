#!/bin/bash
# The site publishes 2.14, newer than the program's 2.13, over https only:
# its http address redirects there, and the prefix trusts its certificate's
# CA. At start-up (UTC+3) the version file is asked for once (and once more
# after the redirect), LastCheckNewVer holds the start in UTC seconds, the
# box is polled all the same and, finding no mail, leaves the tray cycling
# the new-version envelope.
# The new-version dialog, from the tray or from "О программе", opens the new
# page and closes; About's home page button opens the home page. Nine days
# later a restart asks nothing and polls.
. "$(dirname "$0")/../lib.sh"
export TZ=MSK-3  # UTC+3 for Wine and its C runtime alike: LastCheckNewVer counts UTC seconds
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'nEw1'
e2e_version_site redirect $'2.14\n'
e2e_trust_test_ca
e2e_install_recorder
E2E_AUTO_CHECK=1
e2e_seed_pop3_boxes "tester nEw1 0 0 /mail box1"
e2e_proxy "$E2E_SITE_PORT"
e2e_start_vestun
e2e_tray_spot
expect_tray 20 version
expect_dovecot_log 'pop3\(tester\).*Logged out' 1 15
expect_tray 5 version
expect_site_requests 1 --https
expect_last_check_of_run
started=$E2E_LAST_CHECK
e2e_shot new-version-tray

version="Проверка новой версии программы Вестун"
about="О программе Вестун"
recorder='"C:\Vestun\recorder.exe"'
newer=("1030 text 2.13" "1029 text 2.14" "1032 visible 1" "1063 visible 1" "1039 visible 1"
  "1039 text оценить новинку" "1062 visible 1" "1062 text :)")

e2e_tray_click 3
e2e_dialog "$version"
expect_eq "owner of the dialog from the tray" "$(kv owner "$E2E_WINDOW")" 0x0
expect_ctls "${newer[@]}"
e2e_shot version-newer "$(kv rect "$E2E_WINDOW")"
e2e_click 1039
e2e_dialog_gone "$version"
e2e_wait_recorded 1
expect_eq "opened from the dialog" "$E2E_RECORDED_LINES" "$recorder \"http://vestun.example.org/new.html\""
expect_tray 5 quiet 110

open_about() {
  e2e_tray_click 3
  e2e_menu_keys 0x28,0x28,0x28,0x0d  # "О программе"
  e2e_dialog "$about"
}
open_about
about_hwnd=$(kv hwnd "$E2E_WINDOW")
expect_ctls "1028 text 2.13" "1065 text vestun@example.org" "1066 text http://vestun.example.org/" \
  "2 visible 1" "1 visible 1" "3 visible 1"
e2e_shot about "$(kv rect "$E2E_WINDOW")"
e2e_click 3
e2e_dialog "$version"
expect_eq "owner of the dialog from About" "$(kv owner "$E2E_WINDOW")" "$about_hwnd"
expect_ctls "${newer[@]}"
expect_site_requests 2 --https
e2e_click 1039
e2e_dialog_gone "$version"
e2e_dialog_gone "$about"
e2e_wait_recorded 2
expect_eq "opened from About's check" "$(sed -n 2p <<<"$E2E_RECORDED_LINES")" "$recorder \"http://vestun.example.org/new.html\""
expect_tray 3 quiet 110
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCheckNewVer "$started" 0

open_about
e2e_click 1
e2e_dialog_gone "$about"
e2e_wait_recorded 3
expect_eq "home page" "$(sed -n 3p <<<"$E2E_RECORDED_LINES")" "$recorder \"http://vestun.example.org/\""

# Nine days on, of the ten between checks: no check, and the box is polled.
polls=$(grep -c 'pop3(tester).*Logged out' "$E2E_DOVECOT/log/dovecot.log")
e2e_restart_vestun "2026-06-24 12:00:00"
expect_dovecot_log 'pop3\(tester\).*Logged out' $((polls + 1)) 15
expect_tray 5 quiet 110
expect_site_requests 2 --https
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCheckNewVer "$started" 0
e2e_pass
