#!/bin/bash
# The site first publishes 2.13, the program's own number: the start checks
# once, stays quiet and polls. About's check, with no server, a silent site, a
# 404 site, a site that drips its answer a byte a second, and one that
# redirects to https with a certificate of a CA the prefix does not trust yet,
# shows "сайт не доступен, попробуйте позже" within seconds and no message
# box; with the site back, 2.13 twice.
# Then the prefix trusts that CA and the redirecting site publishes 2.14. Ten
# days on, a restart (UTC+3) asks for the version file once (and once more
# after the redirect), LastCheckNewVer holds the restart in UTC seconds, the
# box is polled all the same and, finding no mail, leaves the tray cycling the
# new-version envelope. The new-version dialog, from the tray or from "О
# программе", opens the new page and closes; About's home page button opens
# the home page. Nine days later a restart asks nothing and polls.
. "$(dirname "$0")/../lib.sh"
export TZ=MSK-3  # UTC+3 for Wine and its C runtime alike: LastCheckNewVer counts UTC seconds
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'nEw1'
e2e_version_site missing
missing=$E2E_SITE_PORT
e2e_version_site silent
silent=$E2E_SITE_PORT
e2e_version_site drip $'2.13\n'
drip=$E2E_SITE_PORT
e2e_version_site redirect $'2.14\n'
https=$E2E_SITE_PORT
e2e_version_site serve $'2.13\n'
e2e_install_recorder
E2E_AUTO_CHECK=1
e2e_seed_pop3_boxes "tester nEw1 0 0 /mail box1"
e2e_proxy "$E2E_SITE_PORT"
e2e_start_vestun
expect_dovecot_log 'pop3\(tester\).*Logged out' 1 10
expect_site_requests 1
expect_last_check_of_run
started=$E2E_LAST_CHECK
e2e_tray_spot
expect_tray 5 quiet 110

version="Проверка новой версии программы Вестун"
about="О программе Вестун"
recorder='"C:\Vestun\recorder.exe"'
open_about() {
  e2e_tray_click 3
  e2e_menu_keys 0x28,0x28,0x28,0x0d  # "О программе"
  e2e_dialog "$about"
}
check() {  # PORT SITE-LINE SHOT: About's check with the proxy at PORT
  local begun took
  e2e_proxy "$1"
  begun=$(date +%s)
  E2E_DIALOG=$about
  e2e_click 3
  e2e_dialog "$version"
  took=$(($(date +%s) - begun))
  [ "$took" -le 15 ] || e2e_fail "the new-version dialog came after $took s"
  expect_ctls "1030 text 2.13" "1029 text $2" "1032 visible 0" "1063 visible 0" "1039 visible 0" "1062 visible 0"
  expect_eq "dialogs open" "$(kv count "$(drv window-count --class '#32770' --visible)")" 2
  e2e_log "ok: the dialog came after $took s"
  e2e_shot "$3" "$(kv rect "$E2E_WINDOW")"
  e2e_click 1
  e2e_dialog_gone "$version"
  drv find-window --class '#32770' --title "$about" --visible >/dev/null || e2e_fail "'$about' closed with the new-version dialog"
}
open_about
check "$E2E_NO_SITE_PORT" "сайт не доступен, попробуйте позже" no-server
check "$silent" "сайт не доступен, попробуйте позже" silent
check "$missing" "сайт не доступен, попробуйте позже" not-found
check "$drip" "сайт не доступен, попробуйте позже" drip
check "$https" "сайт не доступен, попробуйте позже" untrusted
check "$E2E_SITE_PORT" 2.13 same-version
for mode in silent missing drip serve; do
  E2E_SITE_LOG="$E2E_ARTIFACTS/site-$mode.log"
  expect_site_requests $([ $mode = serve ] && echo 2 || echo 1)
done
# The program followed the redirect into the tunnel and asked nothing there.
E2E_SITE_LOG="$E2E_ARTIFACTS/site-redirect.log"
grep -q 'conn 2 request CONNECT' "$E2E_SITE_LOG" && ! grep -q 'tls request' "$E2E_SITE_LOG" \
  || e2e_fail "the untrusted site was not refused after the redirect (see site-redirect.log)"
# The server appends: what the trusted site is asked starts from an empty log.
cp "$E2E_SITE_LOG" "$E2E_ARTIFACTS/site-untrusted.log" && : >"$E2E_SITE_LOG"

E2E_DIALOG=$about
e2e_click 2
e2e_dialog_gone "$about"
expect_tray 3 quiet 110
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCheckNewVer "$started" 0

# Ten days and an hour on, with the CA trusted: the start checks again.
e2e_trust_test_ca
e2e_proxy "$https"
polls=$(grep -c 'pop3(tester).*Logged out' "$E2E_DOVECOT/log/dovecot.log")
e2e_restart_vestun "2026-06-25 13:00:00"
expect_tray 20 version
expect_dovecot_log 'pop3\(tester\).*Logged out' $((polls + 1)) 15
expect_tray 5 version
expect_site_requests 1 --https
expect_last_check_of_run
checked=$E2E_LAST_CHECK
e2e_shot new-version-tray

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
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCheckNewVer "$checked" 0

open_about
e2e_click 1
e2e_dialog_gone "$about"
e2e_wait_recorded 3
expect_eq "home page" "$(sed -n 3p <<<"$E2E_RECORDED_LINES")" "$recorder \"http://vestun.example.org/\""

# Nine days on, of the ten between checks: no check, and the box is polled.
polls=$(grep -c 'pop3(tester).*Logged out' "$E2E_DOVECOT/log/dovecot.log")
e2e_restart_vestun "2026-07-04 13:00:00"
expect_dovecot_log 'pop3\(tester\).*Logged out' $((polls + 1)) 15
expect_tray 5 quiet 110
expect_site_requests 2 --https
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCheckNewVer "$checked" 0
e2e_pass
