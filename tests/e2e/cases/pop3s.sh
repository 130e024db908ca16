#!/bin/bash
# POP3 over TLS on port 995, with a test CA only this prefix trusts: a box on
# "localhost" finds its letter; "Тест" names why each other server is refused
# (see tests/support/dovecot.sh), and none of them hears a login.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start --tls tester 's3cure'
e2e_deliver tester "Over TLS" "2026-06-14 10:00:00"
e2e_trust_test_ca
E2E_BOX_PORTS=(995)
E2E_BOX_SERVERS=(localhost)
E2E_BOX_VALUES='"Delay"=dword:00000258'
e2e_seed_pop3_boxes "tester s3cure 0 $(e2e_time_value '2026-06-11 10:00:00') /mail tls"
e2e_start_vestun

e2e_wait_recorded 1 30
expect_dovecot_log 'pop3-login: .*Login: user=<tester>.*lip=127\.0\.0\.1.*TLS' 1 10
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$E2E_DELIVERED_AT"
logins() { grep -cE 'pop3-login: .*(Login: |auth failed)' "$E2E_DOVECOT/log/dovecot.log"; }
expect_eq "logins after the first poll" "$(logins)" 1

e2e_open_settings 1
refused() {  # SERVER TEXT SHOT
  e2e_set_texts 1002 "$1"
  e2e_click 1021
  e2e_dismiss_box "Вестун :(" "$2" absent "$3"
  expect_ctls "1021 enabled 1"
}
refused 127.0.0.1 'Сертификат сервера выдан на другое имя!\nПроверьте имя сервера.' other-name
refused 127.0.0.2 'Сертификат сервера выдан неизвестным центром сертификации!\nЕсли сервер ваш, добавьте его корневой сертификат в доверенные в Windows.' unknown-issuer
refused 127.0.0.3 'Срок действия сертификата сервера истёк или ещё не наступил!' expired
refused 127.0.0.4 'Сервер не поддерживает защищённое соединение (TLS) на этом порту!' no-tls
expect_eq "logins after the refused tests" "$(logins)" 1
expect_dovecot_log 'Disconnected.*no auth attempts.*lip=127\.0\.0\.4' 1 5
e2e_close_settings Escape
e2e_wait_vestun_ready
e2e_pass
