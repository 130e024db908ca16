#!/bin/bash
# Count mode: every letter on the server is new mail. The poll at start-up
# logs in with the password unscrambled from the registry, finds the two
# letters and starts the box's mail program (our recorder) through the shell
# with its arguments; LastMsgDate is left alone.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
e2e_dovecot_adduser tester 's3cr3t!Pw'
e2e_deliver tester "First"
e2e_deliver tester "Second"
e2e_install_recorder
e2e_seed_pop3_boxes "tester s3cr3t!Pw 1 0 /mail box1 --count"
e2e_start_vestun

e2e_wait_recorded 1 30
expect_eq "what was started" "$E2E_RECORDED_LINES" '"C:\Vestun\recorder.exe" /mail box1 --count'
# Counting needs STAT only: no letter was read.
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=0/0, retr=0/0, del=0/2' 1 10
e2e_wait_vestun_ready
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate 0 0
expect_no_message_box 2
e2e_shot after-poll
e2e_pass
