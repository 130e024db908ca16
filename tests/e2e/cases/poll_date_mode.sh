#!/bin/bash
# Date mode: a letter is new when Dovecot's delivery date (the topmost
# Received header) is later than the box's LastMsgDate. Box 1 knows mail up
# to June 11 and holds letters of June 10, 12 and 14: its mail program starts
# once and LastMsgDate moves to June 14 in the registry. Box 2 already knows
# its latest letter, delivered at the very second of its LastMsgDate: nothing
# starts for it. The next poll, 20 s on, finds nothing new in either box.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 'dAt3s'
e2e_dovecot_adduser second 'other1'
e2e_deliver tester "Old" "2026-06-10 10:00:00"
e2e_deliver tester "Newer" "2026-06-12 10:00:00"
e2e_deliver tester "Newest" "2026-06-14 10:00:00"
latest=$E2E_DELIVERED_AT
e2e_deliver second "Old" "2026-06-10 10:00:00"
e2e_deliver second "Known" "2026-06-14 10:00:00"
known=$E2E_DELIVERED_AT
e2e_install_recorder
e2e_seed_pop3_boxes "tester dAt3s 0 $(e2e_time_value '2026-06-11 10:00:00') /mail box1" \
  "second other1 0 $known /mail box2"
e2e_start_vestun

e2e_wait_recorded 1 30
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest"
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\2' LastMsgDate "$known" 0
# Both boxes read every header once in their first session.
e2e_dovecot_wait_log 'pop3\((tester|second)\).*Logged out' 2 10 || e2e_fail "Dovecot logged no finished session of each box"
grep -E 'pop3\((tester|second)\).*Logged out' "$E2E_DOVECOT/log/dovecot.log" >"$E2E_ARTIFACTS/sessions.txt"
grep -q 'pop3(tester).*top=3/' "$E2E_ARTIFACTS/sessions.txt" || e2e_fail "box 1 did not read three headers"
grep -q 'pop3(second).*top=2/' "$E2E_ARTIFACTS/sessions.txt" || e2e_fail "box 2 did not read two headers"
e2e_log "ok: first sessions read 3 and 2 headers"
e2e_shot after-first-poll

# The second poll of both boxes: the acknowledged mail is not new again.
e2e_dovecot_wait_log 'pop3\(tester\).*Logged out' 2 30 || e2e_fail "box 1 was not polled again within 30 s"
e2e_dovecot_wait_log 'pop3\(second\).*Logged out' 2 10 || e2e_fail "box 2 was not polled again"
sleep 2
e2e_wait_recorded 2 0
expect_eq "what was started" "$E2E_RECORDED_LINES" '"C:\Vestun\recorder.exe" /mail box1'
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest" 0
expect_no_message_box 1
e2e_pass
