#!/bin/bash
# A second start while Vestun runs: two boxes in turn, the second process
# ends, the first one keeps running untouched.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_start_vestun

first=$(drv find-window --class "$E2E_MAIN_CLASS") || e2e_fail "the first instance has no main window"
first_hwnd=$(kv hwnd "$first")
first_pid=$(kv pid "$first")
e2e_shot desktop-first-instance

e2e_launch_vestun
expect_message_box "Вестун :)" "Прога уже запущена!" warning 1
expect_eq "system-modal box is topmost" "$(kv topmost "$E2E_BOX")" 1
expect_eq "visible boxes while the first is up" \
  "$(kv count "$(drv window-count --class '#32770' --visible)")" 1
e2e_shot box-already-running
drv press --caption "Вестун :)" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :)'"

expect_message_box "Вестун :(" "Не удалось инициализировать приложение!" error 1
e2e_shot box-cannot-initialise
drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :('"

drv wait-process-count --name vestun.exe --count 1 --timeout 15000 >/dev/null \
  || e2e_fail "the second vestun.exe did not end after its boxes were answered"
drv wait-no-window --class '#32770' --visible --timeout 5000 \
  || e2e_fail "a box is still up after the second instance ended"

# The first instance goes on as before.
sleep 1
after=$(drv find-window --class "$E2E_MAIN_CLASS") || e2e_fail "the first instance lost its main window"
expect_eq "main windows" "$(kv count "$after")" 1
expect_eq "main window handle" "$(kv hwnd "$after")" "$first_hwnd"
expect_eq "main window owner" "$(kv pid "$after")" "$first_pid"
expect_eq "vestun.exe processes" "$(kv count "$(drv process-count --name vestun.exe)")" 1
e2e_shot desktop-after
e2e_pass
