#!/bin/bash
# Date mode against a real Dovecot: a letter is new when its topmost Received
# date is later than the box's LastMsgDate, also when a filter's field with a
# ";" stands above that Received field; a second poll reads no header again
# (the server lists unique ids) and announces nothing; a wrong password shows
# nothing.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start
for user in "tester dAt3s" "third r1ght"; do e2e_dovecot_adduser $user; done
e2e_deliver tester "Old" "2026-06-10 10:00:00"
e2e_deliver tester "Newer" "2026-06-12 10:00:00"
e2e_deliver tester "Newest" "2026-06-14 10:00:00"
# A filter's verdict names the sender's address: numbers after a ";" that
# are no date.
filter="Authentication-Results: mx.example.org; spf=pass (sender IP is 192.0.2.10) smtp.mailfrom=example.org; dkim=pass header.d=example.org"
e2e_deliver tester "Filtered" "2026-06-14 11:00:00" "$filter"
latest=$E2E_DELIVERED_AT
e2e_deliver third "Unseen" "2026-06-14 10:00:00"

# The header block Dovecot serves for the last letter must be the filtered
# one's, beginning with the filter's field (Dovecot's Return-Path and
# Delivered-To, without a ";", come between it and the Received field).
top=$(python3 - "$E2E_POP3_PORT" <<'PY'
import poplib, sys
box = poplib.POP3("127.0.0.1", int(sys.argv[1]), timeout=30)
box.user("tester")
box.pass_("dAt3s")
print(b"\n".join(box.top(box.stat()[0], 0)[1]).decode("latin-1"))
box.quit()
PY
) || e2e_fail "cannot read the header block of the filtered letter"
printf '%s\n' "$top" >"$E2E_ARTIFACTS/filtered-top.txt"
expect_eq "first field and subject of the last letter" "$(sed -n '1p; s/^Subject: //p' <<<"$top")" "$filter"$'\nFiltered'

e2e_install_recorder
june11=$(e2e_time_value '2026-06-11 10:00:00')
e2e_seed_pop3_boxes "tester dAt3s 0 $june11 /mail box1" "third wr0ng 0 $june11 /mail box2"
e2e_start_vestun

e2e_wait_recorded 1 30
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest"
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=4/' 1 10
expect_dovecot_log 'pop3-login: .*auth failed.*user=<third>' 1 10
e2e_shot after-first-poll

# The second poll: the acknowledged mail is not new again.
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=0/0,' 1 30
expect_dovecot_log 'pop3-login: .*auth failed.*user=<third>' 2 10
# The third poll comes a period after the second: by its end, a mail program
# the second poll started has long written its line.
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=0/0,' 2 40
e2e_wait_recorded 0 0
expect_eq "mail programs started" "$E2E_RECORDED_LINES" '"C:\Vestun\recorder.exe" /mail box1'
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest" 0
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\2' LastMsgDate "$june11" 0
expect_no_message_box 1
e2e_pass
