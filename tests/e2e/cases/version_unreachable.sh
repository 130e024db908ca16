#!/bin/bash
# The site publishes 2.13, the program's own number: the start checks once,
# stays quiet and polls. About's check, with no server, a silent site, a 404
# site, a site that drips its answer a byte a second, and one that redirects
# to https with a certificate of a CA the prefix does not trust, shows "сайт
# не доступен, попробуйте позже" within seconds and no message box; with the
# site back, 2.13 twice. LastCheckNewVer keeps the start's value.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'sAme1'
e2e_version_site missing
missing=$E2E_SITE_PORT
e2e_version_site silent
silent=$E2E_SITE_PORT
e2e_version_site drip $'2.13\n'
drip=$E2E_SITE_PORT
e2e_version_site redirect $'2.13\n'
untrusted=$E2E_SITE_PORT
e2e_version_site serve $'2.13\n'
e2e_install_recorder
E2E_AUTO_CHECK=1
e2e_seed_pop3_boxes "tester sAme1 0 0 /mail box1"
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
e2e_tray_click 3
e2e_menu_keys 0x28,0x28,0x28,0x0d  # "О программе"
e2e_dialog "$about"

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
check "$E2E_NO_SITE_PORT" "сайт не доступен, попробуйте позже" no-server
check "$silent" "сайт не доступен, попробуйте позже" silent
check "$missing" "сайт не доступен, попробуйте позже" not-found
check "$drip" "сайт не доступен, попробуйте позже" drip
check "$untrusted" "сайт не доступен, попробуйте позже" untrusted
check "$E2E_SITE_PORT" 2.13 same-version
for mode in silent missing drip serve; do
  E2E_SITE_LOG="$E2E_ARTIFACTS/site-$mode.log"
  expect_site_requests $([ $mode = serve ] && echo 2 || echo 1)
done
# The program followed the redirect into the tunnel and asked nothing there.
grep -q 'conn 2 request CONNECT' "$E2E_ARTIFACTS/site-redirect.log" && ! grep -q 'tls request' "$E2E_ARTIFACTS/site-redirect.log" \
  || e2e_fail "the untrusted site was not refused after the redirect (see site-redirect.log)"

E2E_DIALOG=$about
e2e_click 2
e2e_dialog_gone "$about"
expect_tray 3 quiet 110
expect_reg_value 'HKCU\Software\Tandreller\Settings' LastCheckNewVer "$started" 0
e2e_pass
