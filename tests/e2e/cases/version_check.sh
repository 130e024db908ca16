#!/bin/bash
# The version check, over https alone, from About with the site's CA trusted:
# a silent site, a dripping one and one that redirects to plain http (where
# it serves 2.14) are each unreachable, within seconds and without a message
# box; a site with 2.14 gets the new-version notice, whose button opens the
# new page. The rest of what a site may answer, and the start's own check,
# are the host's and the conformance suite's.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'nEw1'
declare -A site=()
for mode in silent= drip=2.13 downgrade=2.14 serve=2.14; do
  e2e_version_site "${mode%=*}" "${mode#*=}"$'\n'
  site[${mode%=*}]=$E2E_SITE_PORT
done
e2e_trust_test_ca
e2e_install_recorder
e2e_seed_pop3_boxes "tester nEw1 0 0 /mail box1"
e2e_start_vestun
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
open_about
for mode in silent drip downgrade; do  # each answered within 15 s, About staying open
  e2e_proxy "${site[$mode]}"
  limit=$(($(date +%s) + 15))
  e2e_click 3
  e2e_dialog "$version"
  [ "$(date +%s)" -le "$limit" ] || e2e_fail "the new-version dialog for the $mode site came after more than 15 s"
  expect_ctls "1030 text 2.13" "1029 text сайт не доступен, попробуйте позже" "1032 visible 0" "1063 visible 0" \
    "1039 visible 0" "1062 visible 0"
  expect_eq "dialogs open" "$(kv count "$(drv window-count --class '#32770' --visible)")" 2
  e2e_click 1
  e2e_dialog_gone "$version"
  E2E_DIALOG=$about
  drv find-window --class '#32770' --title "$about" --visible >/dev/null || e2e_fail "'$about' closed with the new-version dialog"
  [ "$mode" = downgrade ] || E2E_SITE_LOG="$E2E_ARTIFACTS/site-$mode.log" expect_site_requests 1
done
# Wine's WinINet follows a redirect from https to http, which Windows' does
# not: what the program read there, it refused itself.
grep -q 'conn [0-9]* request GET http://vestun.example.org:80/version.txt' "$E2E_ARTIFACTS/site-downgrade.log" \
  || e2e_fail "the redirect to http was not followed (see site-downgrade.log)"
e2e_proxy "${site[serve]}"
e2e_click 3
e2e_dialog "$version"
expect_ctls "1029 text 2.14" "1032 visible 1" "1063 visible 1" "1039 visible 1" "1039 text оценить новинку" \
  "1062 visible 1" "1062 text :)"
e2e_click 1039
e2e_dialog_gone "$version"
e2e_dialog_gone "$about"
open_about
expect_ctls "1028 text 2.13" "1065 text vestun@example.org" "1066 text https://vestun.example.org/"
e2e_click 1  # the home page
e2e_dialog_gone "$about"
expect_tray 5 quiet 110  # About's checks only tell
e2e_wait_recorded 2
expect_eq "pages opened" "$E2E_RECORDED_LINES" \
  "$recorder \"https://vestun.example.org/new.html\""$'\n'"$recorder \"https://vestun.example.org/\""
e2e_pass
