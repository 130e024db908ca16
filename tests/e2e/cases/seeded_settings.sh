#!/bin/bash
# Settings left by an earlier life of the program (data/seeded-settings.reg),
# with values missing, keys beyond the counts, a box without a password and
# one whose password does not unscramble: the settings dialog opens for each
# of those in turn. Only what is missing and the version check's time are
# written: the export must be exactly expected/seeded-settings.reg. The first
# box's stored password holds line feeds and carriage returns, as a save
# writes now and then: they must read back as "zealz". It is December and
# the census has never run: its question follows the settings, above all
# windows, and a No notes the year.
E2E_DATE="2026-12-01 12:00:00"
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_reg_import "$(dirname "$0")/../data/seeded-settings.reg"
e2e_start_vestun
e2e_wait_settings
expect_ctls "1004 text Домашний" "1013 text пётр" "1014 text "
e2e_keys Escape
expect_ctls "1004 text Ящик №3" "1014 text "
e2e_escape_settings
expect_message_box_starting "Вестун :)" 'Здравствуйте!\nВам предлагается принять участие в ежегодной переписи' question "6 7"
expect_eq "census question is system-modal (topmost)" "$(kv topmost "$E2E_BOX")" 1
e2e_shot census-question
drv press --caption "Вестун :)" --id 7 >/dev/null || e2e_fail "could not answer No to the census"
e2e_wait_vestun_ready
expect_eq "boxes up after start-up" "$(kv count "$(drv window-count --class '#32770' --visible)")" 0
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/tree.reg"
e2e_mark_last_check "$E2E_ARTIFACTS/tree.reg"
e2e_unscramble_passwords "$E2E_ARTIFACTS/tree.reg"
expect_file_eq "settings tree after start-up" "$E2E_ARTIFACTS/tree.reg" \
  "$(dirname "$0")/../expected/seeded-settings.reg"
e2e_pass
