#!/bin/bash
# The version check, over https alone. With 2.13, the program's own number,
# published by a site whose CA is not yet trusted: the start checks once and
# polls; About's check says the site is unreachable, within seconds and
# without a message box. With the CA trusted and 2.14 published, a restart
# ten days on (UTC+3) checks once, still polls and cycles the new-version
# envelope, whose dialog opens the new page; About's check then calls
# unreachable a silent site, a dripping one and one that redirects to plain
# http (where it serves 2.14). The rest of what a site may answer is the
# host's and the conformance suite's.
. "$(dirname "$0")/../lib.sh"
export TZ=MSK-3  # UTC+3 for Wine and its C runtime alike: LastCheckNewVer counts UTC seconds
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'nEw1'
declare -A site=()
for mode in silent= drip=2.13 downgrade=2.14 serve=2.13; do
  e2e_version_site "${mode%=*}" "${mode#*=}"$'\n'
  site[${mode%=*}]=$E2E_SITE_PORT
done
e2e_support_server newer version_site.py serve --body $'2.14\n' --cert "$E2E_PKI/site.pem" --key "$E2E_PKI/site.key"
site[newer]=$E2E_SERVER_PORT
e2e_install_recorder
E2E_AUTO_CHECK=1
e2e_seed_pop3_boxes "tester nEw1 0 0 /mail box1"
e2e_proxy "${site[serve]}"
e2e_start_vestun
expect_dovecot_log 'pop3\(tester\).*Logged out' 1 10
expect_site_requests 1 --refused
expect_last_check_of_run
started=$E2E_LAST_CHECK
e2e_tray_spot
expect_tray 5 quiet 110

version="Проверка новой версии программы Вестун"
about="О программе Вестун"
recorder='"C:\Vestun\recorder.exe"'
settings='HKCU\Software\Tandreller\Settings'
unreachable="сайт не доступен, попробуйте позже"
open_about() {
  e2e_tray_click 3
  e2e_menu_keys 0x28,0x28,0x28,0x0d  # "О программе"
  e2e_dialog "$about"
}
check() {  # PORT SITE-LINE: About's check with the proxy at PORT, answered within 15 s
  e2e_proxy "$1"
  local limit=$(($(date +%s) + 15))
  E2E_DIALOG=$about
  e2e_click 3
  e2e_dialog "$version"
  [ "$(date +%s)" -le "$limit" ] || e2e_fail "the new-version dialog came after more than 15 s"
  expect_ctls "1030 text 2.13" "1029 text $2" "1032 visible 0" "1063 visible 0" "1039 visible 0" "1062 visible 0"
  expect_eq "dialogs open" "$(kv count "$(drv window-count --class '#32770' --visible)")" 2
  e2e_click 1
  e2e_dialog_gone "$version"
  drv find-window --class '#32770' --title "$about" --visible >/dev/null || e2e_fail "'$about' closed with the new-version dialog"
}
open_about
check "${site[serve]}" "$unreachable"
expect_site_requests 2 --refused
# The server appends: what the trusted site is asked starts from an empty log.
cp "$E2E_SITE_LOG" "$E2E_ARTIFACTS/site-untrusted.log" && : >"$E2E_SITE_LOG"
E2E_DIALOG=$about
e2e_click 2
e2e_dialog_gone "$about"
expect_tray 3 quiet 110
expect_reg_value "$settings" LastCheckNewVer "$started" 0

e2e_trust_test_ca
e2e_proxy "${site[newer]}"
polls=$(grep -c 'pop3(tester).*Logged out' "$E2E_DOVECOT/log/dovecot.log")
e2e_restart_vestun "2026-06-25 13:00:00"
expect_tray 20 version
expect_dovecot_log 'pop3\(tester\).*Logged out' $((polls + 1)) 15
expect_tray 5 version
E2E_SITE_LOG="$E2E_ARTIFACTS/newer-serve.log"
expect_site_requests 1
expect_last_check_of_run

newer() {  # OWNER N: the dialog for 2.14, whose button opens the new page, the recorder's N-th start
  e2e_dialog "$version"
  expect_eq "owner of the new-version dialog" "$(kv owner "$E2E_WINDOW")" "$1"
  expect_ctls "1030 text 2.13" "1029 text 2.14" "1032 visible 1" "1063 visible 1" "1039 visible 1" \
    "1039 text оценить новинку" "1062 visible 1" "1062 text :)"
  e2e_click 1039
  e2e_dialog_gone "$version"
  e2e_wait_recorded "$2"
  expect_eq "opened by the new-version dialog" "$(sed -n "$2p" <<<"$E2E_RECORDED_LINES")" \
    "$recorder \"https://vestun.example.org/new.html\""
  expect_tray 5 quiet 110
}
e2e_tray_click 3
newer 0x0 1
open_about
expect_ctls "1028 text 2.13" "1065 text vestun@example.org" "1066 text https://vestun.example.org/"
e2e_click 3
newer "$(kv hwnd "$E2E_WINDOW")" 2
e2e_dialog_gone "$about"
expect_site_requests 2
expect_reg_value "$settings" LastCheckNewVer "$E2E_LAST_CHECK" 0
open_about
for mode in silent drip downgrade; do check "${site[$mode]}" "$unreachable"; done
for mode in silent drip; do
  E2E_SITE_LOG="$E2E_ARTIFACTS/site-$mode.log"
  expect_site_requests 1
done
# Wine's WinINet follows a redirect from https to http, which Windows' does
# not: what the program read there, it refused itself.
grep -q 'conn [0-9]* request GET http://vestun.example.org:80/version.txt' "$E2E_ARTIFACTS/site-downgrade.log" \
  || e2e_fail "the redirect to http was not followed (see site-downgrade.log)"
E2E_DIALOG=$about
e2e_click 1  # the home page
e2e_dialog_gone "$about"
e2e_wait_recorded 3
expect_eq "home page" "$(sed -n 3p <<<"$E2E_RECORDED_LINES")" "$recorder \"https://vestun.example.org/\""
e2e_pass
