#!/bin/bash
# A second start while Vestun runs: two boxes in turn, the second process
# ends, the first one keeps running untouched and shows nothing.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun
e2e_escape_settings  # a first start: the settings dialog for the default mailbox
first=$(drv find-window --class "$E2E_MAIN_CLASS") || e2e_fail "the first instance has no main window"

e2e_launch_vestun
expect_message_box "Вестун :)" "Прога уже запущена!" warning 1
expect_eq "system-modal box is topmost" "$(kv topmost "$E2E_BOX")" 1
e2e_shot box-already-running
drv press --caption "Вестун :)" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :)'"
expect_message_box "Вестун :(" "Не удалось инициализировать приложение!" error 1
drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :('"

drv wait-process-count --name vestun.exe --count 1 --timeout 15000 >/dev/null \
  || e2e_fail "the second vestun.exe did not end after its boxes were answered"
expect_no_message_box 1
expect_eq "main window of the first instance" "$(drv find-window --class "$E2E_MAIN_CLASS")" "$first"
e2e_pass
