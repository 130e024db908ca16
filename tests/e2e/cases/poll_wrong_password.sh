#!/bin/bash
# A poll refused for a wrong password changes nothing: new letters wait on
# the server, yet no mail program starts, LastMsgDate keeps its value and
# nothing appears on screen.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'r1ght'
e2e_deliver tester "Unseen" "2026-06-14 10:00:00"
e2e_install_recorder
seeded=$(e2e_time_value '2026-06-11 10:00:00')
e2e_seed_pop3_boxes "tester wr0ng 0 $seeded /mail box1"
e2e_start_vestun

e2e_dovecot_wait_log 'pop3-login: .*auth failed.*user=<tester>' 1 30 \
  || e2e_fail "Dovecot saw no failed login of tester within 30 s"
e2e_log "ok: $(grep -E 'auth failed.*user=<tester>' "$E2E_DOVECOT/log/dovecot.log" | head -n 1)"
e2e_wait_vestun_ready
expect_no_message_box 5
e2e_wait_recorded 1 0
expect_eq "what was started" "$E2E_RECORDED_LINES" ""
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$seeded" 0
e2e_shot after-failed-poll
e2e_pass
