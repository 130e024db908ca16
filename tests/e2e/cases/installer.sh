#!/bin/bash
# The setup program, into a folder with a space and Cyrillic letters, as a
# Cyrillic user name's profile has, through to the uninstall.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
# Wine would turn the shortcut into a menu entry of the Linux desktop.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

SETUP=${VESTUN_E2E_SETUP:?VESTUN_E2E_SETUP names the setup program}
version=$(basename "$SETUP" | sed 's/^vestun-\(.*\)-setup\.exe$/\1/')
profile="$WINEPREFIX/drive_c/users/$(id -un)"
dir="$profile/Мои программы/Вестун тест"
windir="C:\\users\\$(id -un)\\Мои программы\\Вестун тест"
shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Вестун.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vestun'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
title="Установка Вестун"

launch() {  # [WINDOWS-PATH]: without one, the bare desktop
  "${E2E_ENV[@]}" wine explorer "/desktop=$E2E_DESKTOP,$E2E_GEOMETRY" ${1:+"$1"} >>"$E2E_ARTIFACTS/wine.log" 2>&1 7>&- &
  E2E_BG_PIDS+=($!)
}
launch

# Output into a file: a program it starts would hold a pipe open.
run_on_desktop() {  # COMMAND-LINE: to its end, its exit code in E2E_EXIT
  drv run --command "$1" --timeout 120000 >"$E2E_RUN/run.txt" || e2e_fail "'$1' did not end within 120 s"
  E2E_EXIT=$(kv exit_code "$(cat "$E2E_RUN/run.txt")")
}

reg_value() {  # KEY NAME, with the driver's doubled backslashes made single
  local v
  v=$(kv value "$(drv reg-query --key "$1" --value "$2")")
  printf '%s' "${v//\\\\/\\}"
}
expect_values() {  # KEY "NAME EXPECTED"...
  local key=$1 line
  shift
  for line in "$@"; do expect_eq "${line%% *} in $key" "$(reg_value "$key" "${line%% *}")" "${line#* }"; done
}

# The default box lacks a login, so each start opens the settings: a click
# (the dialog may not have the keyboard) on "Отмена".
cancel_settings() {
  e2e_wait_settings
  e2e_click 2
  e2e_settings_gone
  e2e_wait_vestun_ready
}

# Answers both its boxes; the copy the setup program restarted opens its
# settings. That dialog is waited for first: coming up later in Wine's
# desktop, it can cover the topmost second box, whose icon is read off the screen.
end_second_start() {
  e2e_wait_settings
  drv press --caption "Вестун :)" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :)'"
  expect_message_box "Вестун :(" "Не удалось инициализировать приложение!" error 1
  drv press --caption "Вестун :(" --id 1 >/dev/null || e2e_fail "could not answer 'Вестун :('"
  drv wait-process-count --name vestun.exe --count 1 >/dev/null || e2e_fail "the second start did not end"
  cancel_settings
}

files_of_prefix() {  # NAME: the files of drive C:, less the web cache index and the uninstaller's copy of itself
  (cd "$WINEPREFIX/drive_c" && find . -type f | grep -vE '/INetCookies/index\.dat$|/Temp/~nsu[^/]*\.tmp/Un\.exe$' | sort) >"$E2E_ARTIFACTS/$1.txt"
}
files_of_prefix files-before

# ---- page
drv run --command "$(e2e_winpath "$SETUP")" --timeout 120000 >"$E2E_RUN/cancelled.txt" &
cancelled=$!
e2e_dialog "$title"
e2e_click 1  # "Далее"
expect_ctls "1200 text &Запускать Вестун вместе с Windows" "1200 state 1"
e2e_click 2  # "Отмена", and "Да" to its question
drv press --caption "$title" --id 6 >/dev/null || e2e_fail "could not cancel the setup"
wait $cancelled

# ---- install
run_on_desktop "$(e2e_winpath "$SETUP") /S /D=$windir"
expect_eq "exit code of /S" "$E2E_EXIT" 0
[ -s "$shortcut" ] || e2e_fail "no Start menu shortcut at $shortcut"
expect_values "$run_key" "Vestun \"$windir\\vestun.exe\""
expect_values "$uninstall_key" "DisplayName Вестун" "DisplayVersion $version" "Publisher Tandreller" \
  "DisplayIcon $windir\\vestun.exe,0" "InstallLocation $windir" "UninstallString \"$windir\\uninstall.exe\""
size=$(reg_value "$uninstall_key" EstimatedSize)
kb=$(($(cat "$dir"/*.exe | wc -c) / 1024))
[ "${size:-0}" -ge $((kb - 1)) ] && [ "$size" -le $((kb + 1)) ] || e2e_fail "EstimatedSize $size KB, files $kb KB"
expect_eq "programs started" "$(kv count "$(drv process-count --name vestun.exe)")" 0
drv reg-query --key 'HKCU\Software\Tandreller\Settings' --value BoxesCount >/dev/null 2>&1 \
  && e2e_fail "the setup wrote settings"

# ---- the Run value; upgrades of an older build, which give up (2) over an open
# dialog and a loaded vestun.exe, and close a running copy, its settings kept
upgrade() {  # EXIT-CODE WHAT
  local want=("$(dirname "$SETUP")/vestun.exe" "$version")
  [ "$1" = 0 ] || want=("$E2E_RUN/older.exe" 2.12)
  run_on_desktop "$(e2e_winpath "$SETUP") /S"
  expect_eq "exit code of the upgrade $2" "$E2E_EXIT" "$1"
  cmp -s "$dir/vestun.exe" "${want[0]}" || e2e_fail "vestun.exe after the upgrade $2 is not $(basename "${want[0]}")"
  expect_values "$uninstall_key" "DisplayVersion ${want[1]}"
}
# Started as Windows does at sign-in.
exe=$(reg_value "$run_key" Vestun) && exe=${exe#\"} && exe=${exe%\"}  # one quoted path, as the install found
launch "$exe"
drv wait-window --class "$E2E_MAIN_CLASS" --timeout 60000 >/dev/null || e2e_fail "vestun.exe did not start from $exe"
old=$(e2e_vestun_pid)
printf 'an older build' >>"$dir/vestun.exe"
cp "$dir/vestun.exe" "$E2E_RUN/older.exe"
e2e_spawn timeout 60 wine reg add "$uninstall_key" /v DisplayVersion /d 2.12 /f >>"$E2E_ARTIFACTS/wine.log" 2>&1 \
  || e2e_fail "could not make the installed version older"
e2e_wait_settings
upgrade 2 "over an open dialog"
cancel_settings
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/before.reg"
launch "$exe"  # the second start's notice keeps vestun.exe loaded, and locked
expect_message_box "Вестун :)" "Прога уже запущена!" warning 1
upgrade 2 "over a loaded vestun.exe"
e2e_wait_gone 1 "$old" || e2e_fail "the upgrade did not end the running copy"
end_second_start
upgrade 0 "of a running copy"  # it gives up (2) unless the copy ends
cancel_settings  # the upgrade started the program again
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/after-upgrade.reg"
expect_file_eq "settings after the upgrades" "$E2E_ARTIFACTS/after-upgrade.reg" "$E2E_ARTIFACTS/before.reg"

# ---- the quiet uninstall, from a copy of itself, Un.exe, in the temporary
# folder: it gives up over a loaded vestun.exe, then ends a running copy
quiet=$(reg_value "$uninstall_key" QuietUninstallString)
launch "$exe"
expect_message_box "Вестун :)" "Прога уже запущена!" warning 1
run_on_desktop "$quiet"
drv wait-process-count --name Un.exe --count 0 >/dev/null || e2e_fail "the uninstaller did not end"
[ -f "$dir/vestun.exe" ] && [ -f "$dir/uninstall.exe" ] || e2e_fail "the uninstaller that gave up removed files"
expect_values "$uninstall_key" "DisplayName Вестун"
end_second_start
run_on_desktop "$quiet"
expect_eq "exit code of the uninstaller" "$E2E_EXIT" 0
drv wait-process-count --name Un.exe --count 0 >/dev/null || e2e_fail "the uninstaller did not end"
expect_tray 5 empty  # the uninstall ended the program
drv reg-query --key "$run_key" --value Vestun >/dev/null 2>&1 && e2e_fail "the Run value is still there"
drv reg-query --key "$uninstall_key" --value DisplayName >/dev/null 2>&1 && e2e_fail "the uninstall key is still there"
files_of_prefix files-after
expect_file_eq "files of the prefix after the uninstall" "$E2E_ARTIFACTS/files-after.txt" "$E2E_ARTIFACTS/files-before.txt"
e2e_reg_export 'HKCU\Software\Tandreller' "$E2E_ARTIFACTS/after-uninstall.reg"  # all the uninstall leaves
expect_file_eq "settings after the uninstall" "$E2E_ARTIFACTS/after-uninstall.reg" "$E2E_ARTIFACTS/before.reg"
e2e_pass
