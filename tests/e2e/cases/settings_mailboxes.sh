#!/bin/bash
# The mailbox page with three boxes (data/settings-boxes.reg), reopened on
# "Ящики": navigation on the first, a middle and the last box; move, add and
# delete (asked first); an edit of the last box, including the mail program
# found from the seeded mailto: handler; "Сохранить" must write exactly
# expected/settings-boxes.reg. settings-mailbox.png is docs/settings-mailbox.png.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_reg_import "$(dirname "$0")/../data/settings-boxes.reg"
e2e_start_vestun
e2e_wait_vestun_ready
e2e_open_settings
expect_ctls "1038 state 1" "1004 visible 1" "1004 text Рабочий" "1051 text 1" "1048 text 3" "2 enabled 1" \
  "1039 enabled 0" "1040 enabled 0" "1046 enabled 0" "1041 enabled 1" "1042 enabled 1" "1047 enabled 1" "1044 enabled 1"
e2e_click 1041  # next
expect_ctls "1051 text 2" "1004 text Домашний" "1039 enabled 1" "1040 enabled 1" "1046 enabled 1" \
  "1041 enabled 1" "1042 enabled 1" "1047 enabled 1"
e2e_click 1042  # last
expect_ctls "1051 text 3" "1004 text Старый" "1041 enabled 0" "1042 enabled 0" "1047 enabled 0" "1046 enabled 1"
e2e_click 1039  # first
expect_ctls "1051 text 1" "1004 text Рабочий" "2 enabled 1"

e2e_click 1047  # towards the back
expect_ctls "1051 text 2" "1004 text Рабочий" "1046 enabled 1" "2 enabled 0"
e2e_click 1040  # previous
expect_ctls "1051 text 1" "1004 text Домашний"
e2e_click 1043  # add
expect_ctls "1051 text 4" "1048 text 4" "1004 text " "1002 text pop.example.invalid" "1013 text "
delete_answering() {  # ID: "delete", and the answer to its question
  e2e_click 1044
  expect_message_box "Вестун :)" "Точно удалить этот ящик?" question "6 7"
  expect_eq "default answer" "$(kv default_button "$E2E_BOX")" 7
  drv press --caption "Вестун :)" --id "$1" >/dev/null || e2e_fail "could not answer $1"
}
delete_answering 7
expect_ctls "1051 text 4" "1048 text 4"
delete_answering 6
expect_ctls "1051 text 3" "1048 text 3" "1004 text Старый" "2 enabled 0"

# A name with letters Windows-1251 lacks: they are taken out at once, and said so.
drv set-texts --title "$E2E_SETTINGS" 1004 "Архив日本" || e2e_fail "cannot set the box name"
expect_message_box "Вестун :(" 'Программа хранит тексты в кодировке Windows-1251 (кириллица и латиница),\nа в ней нет знаков, которые вы ввели. Они убраны.' warning 1
drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not close the warning"
expect_ctls "1004 text Архив"
drv set-texts --title "$E2E_SETTINGS" 1004 "Архив" 1002 mail.example.org 1003 995 1013 archive \
  1014 'n3w-Pass' 1015 120 1017 '!!p!' 1018 150 || e2e_fail "cannot fill the mailbox page"
e2e_click 1059  # run the program automatically
e2e_click 1055  # wav-файл
expect_ctls "1055 state 1" "1016 enabled 1" "1020 enabled 1" "1017 enabled 1"
drv set-texts --title "$E2E_SETTINGS" 1016 'C:\Звуки\почта.wav' || e2e_fail "cannot set the WAV path"
e2e_click 1008  # the default mail program
expect_ctls '1006 text "C:\\Program Files\\thunder mail\\thundermail.exe"'
e2e_mouse mousemove 5 5
sleep 0.5
e2e_shot settings-mailbox "$E2E_SETTINGS_RECT"
e2e_click 1
e2e_settings_gone
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/tree.reg"
e2e_unscramble_passwords "$E2E_ARTIFACTS/tree.reg"
expect_file_eq "settings tree after the save" "$E2E_ARTIFACTS/tree.reg" \
  "$(dirname "$0")/../expected/settings-boxes.reg"
e2e_pass
