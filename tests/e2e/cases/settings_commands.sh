#!/bin/bash
# The commands page at 144 DPI (data/settings-commands.reg): the cell editor
# takes Enter and a click, Escape abandons, a foreign letter is taken out;
# "Сохранить" writes expected/settings-commands.reg.
. "$(dirname "$0")/../lib.sh"
e2e_begin "$@"
e2e_reg_import "$(dirname "$0")/../data/settings-commands.reg"
e2e_start_vestun --ready
e2e_open_settings
expect_ctls "1038 state 2" "1061 visible 1"
e2e_items 1061
expect_eq "columns" "$(grep '^column=' <<<"$E2E_ITEMS" | cut -f 3)" $'Название команды\nКоманда'
expect_eq "first column at 144 DPI" "$(grep '^column=0' <<<"$E2E_ITEMS" | cut -f 2)" 300
rows() { e2e_items 1061; expect_eq "rows $1" "$(e2e_rows)" "$2"; }
edit() {  # ROW COLUMN TEXT NEW ENDING...: NEW typed into the cell's editor, which ENDING closes
  e2e_edit_cell 1061 "$1" "$2" "$3"
  e2e_type "$4"
  shift 4
  "$@"
  expect_no_editor
}

e2e_click 1040
rows "after add" $'Список дел|notepad.exe C:\\\\Почта\\\\список.txt\nКалькулятор|calc.exe\nНовая команда|'
edit 2 1 "" mspaint.exe e2e_keys Return
# A letter Windows-1251 lacks is taken out and said so, not stored as its look-alike.
entered_foreign() { e2e_keys Return; e2e_dismiss_foreign_letters; }
edit 2 0 "Новая команда" Paintü entered_foreign
edit 0 0 "Список дел" zzz e2e_keys Escape
rows "after the edits" $'*Список дел|notepad.exe C:\\\\Почта\\\\список.txt\nКалькулятор|calc.exe\nPaint|mspaint.exe'

e2e_click_item 2 0  # select the third row alone
e2e_click 1041  # up
rows "after up" $'Список дел|notepad.exe C:\\\\Почта\\\\список.txt\n*Paint|mspaint.exe\nКалькулятор|calc.exe'
edit 2 1 calc.exe wcalc.exe e2e_click_item 0 0
rows "after a click into the list" $'*Список дел|notepad.exe C:\\\\Почта\\\\список.txt\nPaint|mspaint.exe\nКалькулятор|wcalc.exe'

e2e_tab 1
e2e_tab 2
edit 0 1 'notepad.exe C:\\Почта\\список.txt' notepad.exe e2e_close_settings 1  # "Сохранить"
expect_settings_tree settings-commands
e2e_pass
