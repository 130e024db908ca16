#!/bin/bash
# Date mode against a real Dovecot: a letter is new when its topmost Received
# date is later than the box's LastMsgDate, also when a filter's field with a
# ";" stands above that Received field; a second poll reads no header again
# (the server lists unique ids) and announces nothing; a wrong password shows
# nothing. The first poll's balloon names the new letters, newest first, by
# their decoded senders and subjects; none comes again, nor with the balloon
# turned off. tray-balloon.png is docs/tray-balloon.png.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_dovecot_start tester dAt3s third r1ght
e2e_deliver tester "Old" "2026-06-10 10:00:00"
# Senders and subjects as mail programs encode them: Windows-1251 split into
# two words, KOI8-R after plain text, UTF-8; a bare address; a filter's
# verdict with numbers after a ";" that are no date.
E2E_FROM='=?windows-1251?B?wuXw4CDR7uru6+7i4A==?= <vera@example.org>' \
  e2e_deliver tester "=?windows-1251?B?z/Do4uXy?= =?windows-1251?B?IOjnINLi5fDo?=" "2026-06-12 10:00:00"
E2E_FROM='<boris@example.org>' \
  e2e_deliver tester "Re: =?KOI8-R?Q?=F3=DE=A3=D4_=DA=C1_=C9=C0=CE=D8?=" "2026-06-14 10:00:00"
filter="Authentication-Results: mx.example.org; spf=pass (sender IP is 192.0.2.10) smtp.mailfrom=example.org; dkim=pass header.d=example.org"
E2E_FROM='=?UTF-8?B?0JDQvdC90LAg0J/QtdGC0YDQvtCy0LA=?= <anna@example.org>' \
  e2e_deliver tester "Filtered" "2026-06-14 11:00:00" "$filter"
latest=$E2E_DELIVERED_AT
e2e_deliver third "Unseen" "2026-06-14 10:00:00"

june11=$(e2e_time_value '2026-06-11 10:00:00')
e2e_seed_pop3_boxes "tester dAt3s 0 $june11 /mail box1" "third wr0ng 0 $june11 /mail box2"
e2e_start_vestun

e2e_wait_recorded 1 30
# ShowBalloon is on unless set: the three letters later than LastMsgDate.
expect_balloon 'Анна Петрова — Filtered\nboris@example.org — Re: Счёт за июнь\nВера Соколова — Привет из Твери'
e2e_shot tray-balloon
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest"
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=4/' 1 10
expect_dovecot_log 'pop3-login: .*auth failed.*user=<third>' 1 10

# The second poll; the third comes 20 s later, so the wait costs nothing.
expect_dovecot_log 'pop3\(tester\).*Logged out.*top=0/0,' 1 30
expect_no_balloon 8
expect_dovecot_log 'pop3-login: .*auth failed.*user=<third>' 2 10
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$latest" 0
expect_no_message_box 1

# "Показывать, от кого и о чём письма" off, read at start: a new letter,
# delivered with the program ended, still starts the mail program, and brings
# no balloon (Wine would show it 2 s after the program's start).
e2e_reg_set '[HKEY_CURRENT_USER\Software\Tandreller\Settings]' '"ShowBalloon"=dword:00000000'
e2e_stop_wine
e2e_deliver tester "Late" "2026-06-14 12:00:00"
e2e_restart_vestun "$E2E_DATE"
e2e_wait_recorded 2 30
expect_no_balloon 5
expect_eq "mail programs started" "$E2E_RECORDED_LINES" "$(printf '"C:\\Vestun\\recorder.exe" /mail box1\n%.0s' 1 2)"
expect_reg_value 'HKCU\Software\Tandreller\MailBoxes\1' LastMsgDate "$E2E_DELIVERED_AT"
e2e_pass
