#!/bin/bash
# Settings of an earlier life (data/seeded-settings.reg): values missing, a box
# whose password lost a character to another code page ("Ê", which an ANSI
# build under code page 1252 stored) and one whose password does not
# unscramble open the dialog in turn; a password holding CR and LF reads back.
# A port typed as the text "995" is no number: the box shows port 110, and
# neither it nor the lost password is overwritten. The census question follows.
E2E_DATE="2026-12-01 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_reg_import "$(dirname "$0")/../data/seeded-settings.reg"
e2e_start_vestun
e2e_wait_settings
expect_ctls "1004 text Домашний" "1013 text пётр" "1014 text "
e2e_keys Escape
expect_ctls "1004 text Ящик №3" "1014 text " "1003 text 110"
e2e_escape_settings
expect_message_box_starting "Вестун :)" 'Здравствуйте!\nВам предлагается принять участие в ежегодной переписи' question "6 7"
expect_eq "census question is system-modal (topmost)" "$(kv topmost "$E2E_BOX")" 1
e2e_shot census-question
drv press --caption "Вестун :)" --id 7 >/dev/null || e2e_fail "could not answer No to the census"
expect_settings_tree seeded-settings --start
e2e_pass
