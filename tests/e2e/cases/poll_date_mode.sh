#!/bin/bash
# Date mode: a letter is new when its topmost Received date is later than the
# box's LastMsgDate, and a second poll reads no header again (the server lists
# unique ids); a wrong password shows nothing. Box 4 counts: every letter is
# new on every poll, found by STAT alone.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
for user in "tester dAt3s" "second other1" "third r1ght" "counter s3cr3t!Pw"; do e2e_dovecot_adduser $user; done
e2e_deliver counter "Counted"
e2e_deliver tester "Old" "2026-06-10 10:00:00"
e2e_deliver tester "Newer" "2026-06-12 10:00:00"
e2e_deliver tester "Newest" "2026-06-14 10:00:00"
latest=$E2E_DELIVERED_AT
e2e_deliver second "Old" "2026-06-10 10:00:00"
e2e_deliver second "Known" "2026-06-14 10:00:00"
known=$E2E_DELIVERED_AT
e2e_deliver third "Unseen" "2026-06-14 10:00:00"
e2e_install_recorder
june11=$(e2e_time_value '2026-06-11 10:00:00')
e2e_seed_pop3_boxes "tester dAt3s 0 $june11 /mail box1" "second other1 0 $known /mail box2" \
  "third wr0ng 0 $june11 /mail box3" "counter s3cr3t!Pw 1 0 /mail box4 --count"
e2e_start_vestun

e2e_wait_recorded 2 30
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest"
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\2' LastMsgDate "$known" 0
# The first sessions read every header once.
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=3/' 1 10
expect_dovecot_log 'pop3\(second\).*Logged out.*top=2/' 1 10
expect_dovecot_log 'pop3-login: .*auth failed.*user=<third>' 1 10
expect_dovecot_log 'pop3\(counter\).*Logged out.*top=0/0, retr=0/0, del=0/1' 1 10
e2e_shot after-first-poll

# The second poll of every box: the acknowledged mail is not new again.
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=0/0,' 1 30
expect_dovecot_log 'pop3\(second\).*Logged out.*top=0/0,' 1 10
expect_dovecot_log 'pop3-login: .*auth failed.*user=<third>' 2 10
expect_dovecot_log 'pop3\(counter\).*Logged out' 2 10
sleep 2
e2e_wait_recorded 0 0
expect_eq "what was started by the date boxes" "$(grep -v box4 <<<"$E2E_RECORDED_LINES")" \
  '"C:\Vestun\recorder.exe" /mail box1'
expect_eq "the counting box's start" "$(grep box4 <<<"$E2E_RECORDED_LINES" | sort -u)" \
  '"C:\Vestun\recorder.exe" /mail box4 --count'
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\4' LastMsgDate 0 0
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest" 0
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\3' LastMsgDate "$june11" 0
expect_no_message_box 1
e2e_pass
