# Harness for the end-to-end cases: each case script sources this file and
# runs vestun.exe the way a user meets it, in a Wine virtual desktop with a
# taskbar on a private X server, with a fresh Wine prefix of its own.
#
# A case looks like this:
#
#   . "$(dirname "$0")/../lib.sh"
#   e2e_begin "$@"            # X server, fresh prefix, traps
#   e2e_start_vestun          # desktop + vestun.exe, waits for its window
#   out=$(drv find-window --class "Main window class") || e2e_fail "..."
#   expect_eq "title" "$(kv title "$out")" ""
#   e2e_shot desktop
#   e2e_pass
#
# Arguments of every case: --exe vestun.exe --driver driver.exe --work DIR
# [--recorder recorder.exe].
# DIR keeps the pristine prefix template and the artifacts (screenshots and
# logs, DIR/artifacts/CASE/). Set E2E_KEEP=1 to keep the run directory.
#
# Everything we start carries VESTUN_E2E_OWNER=DIR and VESTUN_E2E_RUN=RUN in
# its environment, so leftovers can be found and ended by pid.

set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"

# The user's locale, and with it Wine's ANSI code page: Russian (1251) unless
# a case is run as on an English Windows (E2E_LOCALE=en_US.UTF-8, code page
# 1252), where the program must speak Russian all the same.
E2E_LOCALE=${E2E_LOCALE:-ru_RU.UTF-8}
E2E_CASE=$(basename "$0" .sh)
[ "$E2E_LOCALE" = ru_RU.UTF-8 ] || E2E_CASE="$E2E_CASE-${E2E_LOCALE%%.*}"
WINE_DESKTOP=vestun
E2E_DESKTOP=$WINE_DESKTOP
E2E_GEOMETRY=1024x768
E2E_DEADLINE=${E2E_DEADLINE:-240}   # seconds; below the ctest TIMEOUT
E2E_MAIN_CLASS="Main window class"
E2E_INSTALL_DIR='C:\Vestun'

E2E_RUN=""
E2E_XVFB_PID=""
E2E_WATCHDOG_PID=""
E2E_BG_PIDS=()
E2E_ENV=(env)
E2E_SHOT_NO=0
E2E_STATUS=1
E2E_STARTED=$(date +%s)

# Wine takes its time zone from TZ; delivery dates and LastMsgDate values in
# the cases are reckoned in UTC.
wine_env "$E2E_LOCALE"
export TZ=UTC

# Messages go to fd 7, a copy of the case's stderr made at start: a trap may
# run while a command's stderr is redirected into a log file.
exec 7>&2
e2e_log() { printf '[%s %s] %s\n' "$E2E_CASE" "$(date +%T)" "$*" >&7; }

e2e_fail() {
  e2e_log "FAIL: $*"
  if [ -n "$E2E_RUN" ] && [ -n "$E2E_XVFB_PID" ] && e2e_alive "$E2E_XVFB_PID"; then
    e2e_shot failure || true
    drv list-windows >"$E2E_ARTIFACTS/failure-windows.txt" 2>&1 || true
  fi
  exit 1
}

e2e_pass() {
  E2E_STATUS=0
  e2e_log "PASS"
  exit 0
}

expect_eq() {  # WHAT ACTUAL EXPECTED
  if [ "$2" != "$3" ]; then e2e_fail "$1: got '$2', expected '$3'"; fi
  e2e_log "ok: $1 = '$3'"
}

kv() {  # KEY TEXT: the first value of "KEY=value" in TEXT
  printf '%s\n' "$2" | sed -n "s/^$1=//p" | head -n 1
}

# Runs a command with our markers in its environment. `env` execs the
# command, so `"${E2E_ENV[@]}" cmd &` leaves the command's own pid in $!.
# Every run lives on a pinned date, E2E_DATE (a case may set its own before
# e2e_begin): the program asks its census in December and dresses its icon on
# holidays, so today's date must not decide a test. libfaketime moves the
# clock of every process of the run, the wineserver's included, by one offset,
# but not the times of files: Wine compares the prefix's stamp with the time
# of its wine.inf and would update every copy of the template at its start.
E2E_DATE=${E2E_DATE:-2026-06-15 12:00:00}
e2e_env() {
  local offset
  offset=$(printf '%+d' $(($(date -d "$E2E_DATE" +%s) - $(date +%s))))
  E2E_ENV=(env "VESTUN_E2E_OWNER=$E2E_WORK" "VESTUN_E2E_RUN=$E2E_RUN"
    "LD_PRELOAD=/usr/\$LIB/faketime/libfaketime.so.1" "FAKETIME=$offset" "FAKETIME_DONT_FAKE_MONOTONIC=1"
    NO_FAKE_STAT=1)
  WINE_LAUNCH=("${E2E_ENV[@]}")
}
e2e_spawn() { "${E2E_ENV[@]}" "$@" 7>&-; }

# Runs a Wine command with a time-out, its errors going to LOG. Now and then
# Wine fails to start a process at all, which then ends at once without a
# word (seen for reg and for the driver, which always says why it failed): a
# failure without a word, and without the time-out's 124, is tried again,
# twice at most.
e2e_wine() {  # LOG SECONDS COMMAND...
  local log=$1 limit=$2 size status try
  shift 2
  for try in 1 2 3; do
    size=$(stat -c %s "$log" 2>/dev/null || echo 0)
    status=0
    e2e_spawn timeout "$limit" wine "$@" 2>>"$log" || status=$?
    if [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || [ "$(stat -c %s "$log" 2>/dev/null || echo 0)" -ne "$size" ]; then
      return "$status"
    fi
    printf 'wine %s: ended with %s without a word (try %s of 3)\n' "$1" "$status" "$try" >>"$log"
  done
  return "$status"
}

# The driver, inside the test's desktop. Output on stdout, chatter in the log.
drv() {
  printf '> %s\n' "$*" >>"$E2E_ARTIFACTS/driver.log"
  e2e_wine "$E2E_ARTIFACTS/driver.log" 90 "$E2E_DRIVER" --desktop "$E2E_DESKTOP" "$@"
}

e2e_shot() {  # NAME [LEFT,TOP,WIDTH,HEIGHT]: the X screen, or that part of it, into the artifacts
  E2E_SHOT_NO=$((E2E_SHOT_NO + 1))
  local file crop=()
  file=$(printf '%s/%02d-%s.png' "$E2E_ARTIFACTS" "$E2E_SHOT_NO" "$1")
  [ -z "${2:-}" ] || crop=(-crop "$(awk -F, '{ printf "%dx%d+%d+%d", $3, $4, $1, $2 }' <<<"$2")" +repage)
  timeout 30 import -display "$DISPLAY" -window root "${crop[@]}" "$file" 2>>"$E2E_ARTIFACTS/harness.log" \
    && e2e_log "screenshot $file"
}

# ---------------------------------------------------------------- processes

e2e_alive() { wine_alive "$@"; }  # PID: exists and is not a zombie

e2e_pids_marked() {  # VAR=VALUE: live processes with that in their environment
  local f pid
  # One grep over all environments; unreadable and vanished ones are skipped.
  for f in $(grep -lzxF -- "$1" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${f#/proc/}
    pid=${pid%/environ}
    [ "$pid" = "$$" ] && continue
    e2e_alive "$pid" && echo "$pid"
  done
  return 0
}

e2e_describe_pids() {  # PIDS...
  local p
  for p in "$@"; do printf '%s %s\n' "$p" "$(tr '\0' ' ' 2>/dev/null <"/proc/$p/cmdline")"; done
}

e2e_wait_gone() {  # SECONDS PIDS...: true if all ended in time
  local limit=$(($(date +%s) + $1)) p left
  shift
  while :; do
    left=""
    for p in "$@"; do e2e_alive "$p" && left="$left $p"; done
    [ -z "$left" ] && return 0
    [ "$(date +%s)" -ge "$limit" ] && return 1
    sleep 0.2
  done
}

e2e_kill_pids() {  # PIDS...: TERM, then KILL what is still there
  [ $# -eq 0 ] && return 0
  kill -TERM "$@" 2>/dev/null
  e2e_wait_gone 5 "$@" && return 0
  kill -KILL "$@" 2>/dev/null
  e2e_wait_gone 5 "$@"
}

# ---------------------------------------------------------------- set-up

e2e_check_prerequisites() {
  local tool missing=""
  for tool in wine wineboot wineserver Xvfb import xdotool timeout flock; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
  done
  [ -z "$missing" ] || e2e_fail "missing tools:$missing (apt-get install wine64 xvfb xdotool imagemagick coreutils util-linux)"
  if ! locale -a 2>/dev/null | grep -qiE '^ru_RU\.utf-?8$'; then
    e2e_fail "the ru_RU.UTF-8 locale is not generated, so Wine would show Windows-1251 texts as '?'. As root: sed -i 's/^# *ru_RU.UTF-8/ru_RU.UTF-8/' /etc/locale.gen && locale-gen"
  fi
  [ -f "$E2E_EXE" ] || e2e_fail "no program at $E2E_EXE"
  [ -f "$E2E_DRIVER" ] || e2e_fail "no driver at $E2E_DRIVER"
}

# The run's X server and its copy of the prefix template, both of
# tools/wine-env.sh, with our markers; neither may hold the message channel.
e2e_start_xvfb() {
  wine_start_xvfb "$E2E_GEOMETRY" "$E2E_ARTIFACTS/xvfb.log" 7>&- || e2e_fail "Xvfb did not start (see xvfb.log)"
  E2E_XVFB_PID=$WINE_XVFB_PID
  e2e_log "Xvfb pid $E2E_XVFB_PID on $DISPLAY"
}

# Every copy starts with the program's web site nowhere: no version check
# leaves the machine unless a case sets a site up.
e2e_template_prefix() {
  WINE_LOG="$E2E_ARTIFACTS/wine.log"
  wine_fresh_prefix "$E2E_WORK/wine-template" "$WINEPREFIX" e2e_proxy "$E2E_NO_SITE_PORT" 7>&- \
    || e2e_fail "could not make a Wine prefix (see wine.log)"
}

e2e_parse_args() {
  E2E_EXE="" E2E_DRIVER="" E2E_WORK="" E2E_RECORDER=""
  while [ $# -gt 0 ]; do
    case "$1" in
      --recorder) E2E_RECORDER=$(realpath "$2"); shift 2 ;;
      --exe) E2E_EXE=$(realpath "$2"); shift 2 ;;
      --driver) E2E_DRIVER=$(realpath "$2"); shift 2 ;;
      --work) mkdir -p "$2"; E2E_WORK=$(realpath "$2"); shift 2 ;;
      *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
  done
  [ -n "$E2E_EXE" ] && [ -n "$E2E_DRIVER" ] && [ -n "$E2E_WORK" ] \
    || { echo "usage: $0 --exe vestun.exe --driver driver.exe --work DIR" >&2; exit 2; }
  E2E_ARTIFACTS="$E2E_WORK/artifacts/$E2E_CASE"
}

e2e_begin() {
  e2e_parse_args "$@"
  rm -rf "$E2E_ARTIFACTS"
  mkdir -p "$E2E_ARTIFACTS"

  trap e2e_end EXIT
  trap 'e2e_fail "stopped by a signal (the deadline is $E2E_DEADLINE s)"' TERM INT HUP
  ( trap 'kill $sp 2>/dev/null; exit 0' TERM
    sleep "$E2E_DEADLINE" & sp=$!
    wait $sp
    kill -TERM $$ ) 2>/dev/null &
  E2E_WATCHDOG_PID=$!

  e2e_check_prerequisites

  # Leftovers of an earlier, killed run of this tree would share nothing with
  # us (own prefix, own display), but they hold memory: end them.
  local stale
  e2e_dovecot_end_leftovers
  stale=$(e2e_pids_marked "VESTUN_E2E_OWNER=$E2E_WORK")
  if [ -n "$stale" ]; then
    e2e_log "warning: ending leftovers of an earlier run:"
    e2e_describe_pids $stale >&7
    e2e_kill_pids $stale
  fi

  E2E_RUN=$(mktemp -d "${TMPDIR:-/tmp}/vestun-e2e.XXXXXX")
  e2e_env
  export WINEPREFIX="$E2E_RUN/prefix"
  e2e_start_xvfb
  e2e_template_prefix
  e2e_log "prefix $WINEPREFIX ready after $(($(date +%s) - E2E_STARTED)) s"
}

# Copies the program into the prefix and starts it in the virtual desktop
# through Explorer, as the desktop's own program. Waits for its main window;
# with --ready, also until it is past its start-up.
e2e_start_vestun() {  # [--ready]
  local dir="$WINEPREFIX/drive_c/Vestun"
  if [ ! -f "$dir/vestun.exe" ]; then
    mkdir -p "$dir" && cp "$E2E_EXE" "$dir/vestun.exe" || e2e_fail "cannot install vestun.exe"
  fi
  e2e_launch_vestun
  drv wait-window --class "$E2E_MAIN_CLASS" --timeout 60000 >/dev/null \
    || e2e_fail "vestun.exe showed no window of class '$E2E_MAIN_CLASS' within 60 s"
  e2e_log "vestun.exe is up after $(($(date +%s) - E2E_STARTED)) s"
  [ "${1:-}" != --ready ] || e2e_wait_vestun_ready
}

# One more start of vestun.exe in the same desktop, as from a shortcut.
e2e_launch_vestun() {
  "${E2E_ENV[@]}" wine explorer "/desktop=$E2E_DESKTOP,$E2E_GEOMETRY" "$E2E_INSTALL_DIR\\vestun.exe" \
    >>"$E2E_ARTIFACTS/wine.log" 2>&1 7>&- &
  E2E_BG_PIDS+=($!)
}

# Ends everything this run started; fails the case if something survives.
e2e_stop_all() {
  local left
  [ -n "${E2E_STOPPED:-}" ] && return 0
  E2E_STOPPED=1
  if [ -n "$E2E_RUN" ] && [ -n "${WINEPREFIX:-}" ]; then
    e2e_spawn timeout 30 wineserver -k 2>/dev/null
    left=$(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN" | grep -vx "${E2E_XVFB_PID:-none}")
    if [ -n "$left" ] && ! e2e_wait_gone 5 $left; then
      e2e_log "still running after wineserver -k, ending by pid:"
      e2e_describe_pids $left >&7
      e2e_kill_pids $left
    fi
    local p
    for p in "${E2E_BG_PIDS[@]}"; do wait "$p" 2>/dev/null; done  # reap
  fi
  [ -z "$E2E_XVFB_PID" ] || wine_stop_xvfb
  if [ -n "$E2E_RUN" ]; then
    left=$(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN")
    [ -z "$left" ] || { e2e_describe_pids $left >&7; return 1; }
  fi
  return 0
}

# Steps that undo what a case set up beside Wine (a Dovecot, say): e2e_end
# runs them, last added first, before it ends the run's processes.
E2E_CLEANUPS=()

e2e_end() {
  local rc=$E2E_STATUS i
  trap - EXIT TERM INT HUP
  for ((i = ${#E2E_CLEANUPS[@]} - 1; i >= 0; i--)); do
    ${E2E_CLEANUPS[i]} || { e2e_log "FAIL: clean-up step failed: ${E2E_CLEANUPS[i]}"; rc=1; }
  done
  if ! e2e_stop_all; then
    e2e_log "FAIL: processes of this run survived the clean-up"
    rc=1
  fi
  if [ -n "$E2E_RUN" ] && [ "${E2E_KEEP:-0}" != 1 ]; then rm -rf "$E2E_RUN"; fi
  if [ -n "$E2E_WATCHDOG_PID" ]; then
    kill -TERM "$E2E_WATCHDOG_PID" 2>/dev/null
    wait "$E2E_WATCHDOG_PID" 2>/dev/null
  fi
  e2e_log "finished in $(($(date +%s) - E2E_STARTED)) s, artifacts in $E2E_ARTIFACTS"
  exit "$rc"
}

# ---------------------------------------------------------------- checks

# Waits for a message box with CAPTION and checks it; leaves the driver's
# description in E2E_BOX. BUTTONS: the control ids, e.g. "1" for a lone OK,
# "6 7" for Yes and No. Line breaks of the text read as a backslash and "n".
expect_message_box() {  # CAPTION TEXT ICON BUTTONS
  e2e_check_box "$1" "$3" "$4"
  expect_eq "text of '$1'" "$(kv text "$E2E_BOX")" "$2"
}

# The same for a long text that only has to begin with START.
expect_message_box_starting() {  # CAPTION START ICON BUTTONS
  local text
  e2e_check_box "$1" "$3" "$4"
  text=$(kv text "$E2E_BOX")
  [[ "$text" == "$2"* ]] || e2e_fail "text of '$1': got '$text', expected it to begin with '$2'"
  e2e_log "ok: text of '$1' begins with '$2'"
}

e2e_check_box() {  # CAPTION ICON BUTTONS
  local out ids
  if ! out=$(drv message-box --caption "$1" --wait 20000); then
    drv message-box --wait 0 >"$E2E_ARTIFACTS/unexpected-box.txt" 2>&1
    e2e_fail "no message box '$1' within 20 s (whatever box is up: unexpected-box.txt)"
  fi
  printf '%s\n' "$out" >>"$E2E_ARTIFACTS/boxes.txt"
  expect_eq "icon of '$1'" "$(kv icon "$out")" "$2"
  ids=$(printf '%s\n' "$out" | sed -n 's/^button=.*\tid=//p' | tr '\n' ' ')
  expect_eq "buttons of '$1'" "${ids% }" "$3"
  E2E_BOX=$out
}

# The same for a box with a lone OK, which is pressed; with SHOT, screenshots
# the box first.
e2e_dismiss_box() {  # CAPTION TEXT ICON [SHOT]
  expect_message_box "$1" "$2" "$3" 1
  [ -z "${4:-}" ] || e2e_shot "$4"
  drv press --caption "$1" --id 1 >/dev/null || e2e_fail "could not close '$1'"
}

# The warning of a field from which letters Windows-1251 lacks were taken out.
e2e_dismiss_foreign_letters() {
  e2e_dismiss_box "Вестун :(" 'Некоторых введённых знаков нет в кодировке Windows-1251, в которой программа хранит тексты (русские и английские буквы, цифры, обычные знаки). Эти знаки убраны.' warning
}

# A question ("Да" and "Нет", "Нет" the default) is up: answers it with ID.
e2e_answer_question() {  # TEXT ID
  expect_message_box "Вестун :)" "$1" question "6 7"
  expect_eq "default answer" "$(kv default_button "$E2E_BOX")" 7
  drv press --caption "Вестун :)" --id "$2" >/dev/null || e2e_fail "could not answer $2"
}

expect_no_message_box() {  # SECONDS [CAPTION]: none appears within that time
  local out
  if out=$(drv message-box ${2:+--caption "$2"} --wait $(($1 * 1000))); then
    printf '%s\n' "$out" >>"$E2E_ARTIFACTS/boxes.txt"
    e2e_fail "unexpected message box '$(kv caption "$out")': $(kv text "$out")"
  fi
  e2e_log "ok: no message box${2:+ '$2'} within $1 s"
}

# Polls a registry value until it reads EXPECTED (or the time is up), then
# checks it.
expect_reg_value() {  # KEY VALUE EXPECTED [SECONDS]
  local limit=$(($(date +%s) + ${4:-10})) got
  while :; do
    got=$(kv value "$(drv reg-query --key "$1" --value "$2")")
    [ "$got" = "$3" ] && break
    [ "$(date +%s)" -ge "$limit" ] && break
    sleep 0.3
  done
  expect_eq "$2 in $1" "$got" "$3"
}

# Waits until the recorder has written COUNT lines (or the time is up) and
# leaves what it wrote in E2E_RECORDED_LINES.
e2e_wait_recorded() {  # COUNT [SECONDS]
  local limit=$(($(date +%s) + ${2:-15}))
  while [ "$(cat "$E2E_RECORDED" 2>/dev/null | wc -l)" -lt "$1" ] && [ "$(date +%s)" -lt "$limit" ]; do
    sleep 0.3
  done
  E2E_RECORDED_LINES=$(cat "$E2E_RECORDED" 2>/dev/null)
  [ -z "$E2E_RECORDED_LINES" ] || printf '%s\n' "$E2E_RECORDED_LINES" >"$E2E_ARTIFACTS/started.txt"
}

# ---------------------------------------------------------------- program, registry, recorder

# Waits until vestun.exe is past its start-up: settings loaded and, out of
# December, nothing more to come before its message loop.
e2e_wait_vestun_ready() {
  drv wait-idle --class "$E2E_MAIN_CLASS" --timeout 30000 >/dev/null \
    || e2e_fail "vestun.exe did not reach its message loop within 30 s"
}

# Ends every Wine process of the run, vestun.exe and the desktop included
# (the wineserver saves the registry as it ends).
e2e_stop_wine() {
  local left p
  e2e_spawn timeout 30 wineserver -k 2>/dev/null
  # The X server and the servers of tests/support stay.
  left=$(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN" | grep -vxF "$(printf '%s\n' "$E2E_XVFB_PID" "${E2E_HOSTILE_PIDS[@]}")")
  [ -z "$left" ] || e2e_wait_gone 15 $left \
    || e2e_fail "still running after wineserver -k: $(e2e_describe_pids $left)"
  for p in "${E2E_BG_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  E2E_BG_PIDS=()
}

# e2e_stop_wine, then the program again on the same prefix and X server with
# the clock at DATE.
e2e_restart_vestun() {  # DATE
  e2e_stop_wine
  E2E_DATE=$1
  e2e_env
  e2e_start_vestun
}

# Imports a .reg file of LINES: "[KEY]" lines and value lines as regedit reads
# them, each key after a blank line.
E2E_REG_SETS=0
e2e_reg_set() {  # LINE...
  local reg="$E2E_RUN/set-$((E2E_REG_SETS += 1)).reg" line
  { echo 'Windows Registry Editor Version 5.00'
    for line in "$@"; do [[ $line != \[* ]] || echo; printf '%s\n' "$line"; done; } >"$reg"
  e2e_reg_import "$reg"
}

# A Linux path as Wine's Z: drive shows it (winepath would boot the prefix).
e2e_winpath() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

# Imports a .reg file kept as UTF-8 text with LF line ends; Wine's regedit
# takes Unicode files as UTF-16 with a byte order mark and CRLF line ends.
e2e_reg_import() {  # FILE
  local out="$E2E_RUN/import-$(basename "$1")"
  { printf '\xff\xfe'; sed 's/$/\r/' "$1" | iconv -f UTF-8 -t UTF-16LE; } >"$out" \
    || e2e_fail "cannot convert $1"
  e2e_spawn timeout 60 wine regedit /s "$(e2e_winpath "$out")" >>"$E2E_ARTIFACTS/wine.log" 2>&1 \
    || e2e_fail "wine regedit could not import $1"
}

# Writes the registry tree KEY to FILE as UTF-8 text with LF line ends.
e2e_reg_export() {  # KEY FILE
  local raw="$E2E_RUN/export.reg"
  rm -f "$raw"
  e2e_wine "$E2E_ARTIFACTS/wine.log" 60 reg export "$1" "$(e2e_winpath "$raw")" /y >>"$E2E_ARTIFACTS/wine.log" \
    || e2e_fail "wine reg export $1 failed"
  iconv -f UTF-16 -t UTF-8 "$raw" | tr -d '\r' >"$2" || e2e_fail "cannot convert the export of $1"
}

expect_file_eq() {  # WHAT ACTUAL EXPECTED: a unified diff on failure
  if ! diff -u --label expected --label actual "$3" "$2" >"$E2E_ARTIFACTS/diff.txt"; then
    cat "$E2E_ARTIFACTS/diff.txt" >&7
    e2e_fail "$1 differs from $3 (diff above, also in diff.txt)"
  fi
  e2e_log "ok: $1 matches $(basename "$3")"
}

# Puts our recorder into the prefix as the handler of mailto:, http: and https:, so
# whatever the program opens is written to C:\Vestun\started.txt and nothing
# real starts. E2E_RECORDED is that file as seen from Linux.
# Windows looks in HKCU\Software\Classes first; Wine 8's HKCR shows the key
# of HKLM\Software\Classes even where the user's key exists (there its own
# browser is the handler), so both get our command.
E2E_RECORDED=""
e2e_install_recorder() {
  local dir="$WINEPREFIX/drive_c/Vestun" reg="$E2E_RUN/handlers.reg" scheme
  [ -n "$E2E_RECORDER" ] && [ -f "$E2E_RECORDER" ] || e2e_fail "no recorder (--recorder recorder.exe)"
  mkdir -p "$dir" && cp "$E2E_RECORDER" "$dir/recorder.exe" || e2e_fail "cannot install the recorder"
  E2E_RECORDED="$dir/started.txt"
  rm -f "$E2E_RECORDED"
  {
    echo 'Windows Registry Editor Version 5.00'
    for root in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER; do
      for scheme in mailto http https; do
        printf '\n[%s\\Software\\Classes\\%s]\n@="URL:%s"\n"URL Protocol"=""\n' "$root" "$scheme" "$scheme"
        printf '\n[%s\\Software\\Classes\\%s\\shell\\open\\command]\n' "$root" "$scheme"
        printf '@="\\"C:\\\\Vestun\\\\recorder.exe\\" \\"%%1\\""\n'
      done
    done
  } >"$reg"
  e2e_reg_import "$reg"
}

# ---------------------------------------------------------------- mailboxes on a private Dovecot

# tests/support/dovecot.sh runs a Dovecot of our own on 127.0.0.1, with its
# configuration, mail and log under the run's directory. Its processes clear
# their environment, so our markers do not find them: every one started is
# noted in DIR/dovecots.txt ("PID DIR") until it is stopped, and a later run
# or the clean-up case ends what an interrupted run left.
E2E_DOVECOT_SH=$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)/dovecot.sh
E2E_DOVECOT=""     # its directory
E2E_POP3_PORT=""

e2e_dovecot_leftovers() {  # prints "PID DIR" of noted Dovecots still running
  local pid dir
  [ -s "$E2E_WORK/dovecots.txt" ] || return 0
  while read -r pid dir; do
    e2e_alive "$pid" && grep -qzF -- "$dir/dovecot.conf" "/proc/$pid/cmdline" 2>/dev/null \
      && echo "$pid $dir"
  done <"$E2E_WORK/dovecots.txt"
  return 0
}

e2e_dovecot_end_leftovers() {
  local left
  left=$(e2e_dovecot_leftovers)
  if [ -n "$left" ]; then
    e2e_log "warning: ending Dovecots of an earlier run: $left"
    # The master ends its children before itself.
    e2e_kill_pids $(printf '%s\n' "$left" | cut -d' ' -f1)
  fi
  rm -f "$E2E_WORK/dovecots.txt"
}

# The certificates of a test CA, made for the run in E2E_PKI (see
# tests/support/test_pki.sh); e2e_trust_test_ca trusts that CA in the prefix.
E2E_PKI=""
e2e_test_pki() {
  [ -z "$E2E_PKI" ] || return 0
  E2E_PKI="$E2E_RUN/pki"
  bash "$(dirname "$E2E_DOVECOT_SH")/test_pki.sh" "$E2E_PKI" >>"$E2E_ARTIFACTS/pki.err" 2>&1 7>&- \
    || e2e_fail "cannot make the test CA: $(tail -n 3 "$E2E_ARTIFACTS/pki.err")"
  chmod -R a+rX "$E2E_PKI"
}

# Starts the run's Dovecot; its stop is one of the run's clean-up steps.
# With --tls it also serves POP3 over TLS on port 995 of 127.0.0.1 to .4,
# with the certificates of e2e_test_pki (see tests/support/dovecot.sh).
# Then adds the users USER with their PASSWORD.
e2e_dovecot_start() {  # [--tls] [USER PASSWORD]...
  local tls=()
  E2E_DOVECOT="$E2E_RUN/dovecot"
  if [ "${1:-}" = --tls ]; then
    e2e_test_pki
    tls=(--tls "$E2E_PKI")
    shift
  fi
  # Dovecot's login, auth and mail processes run as other users and must
  # reach their files under the run's directory.
  chmod 711 "$E2E_RUN"
  E2E_CLEANUPS+=(e2e_dovecot_stop)
  E2E_POP3_PORT=$("$E2E_DOVECOT_SH" start "$E2E_DOVECOT" "${tls[@]}" 2>>"$E2E_ARTIFACTS/dovecot.err" 7>&-) \
    || e2e_fail "Dovecot did not start: $(tail -n 3 "$E2E_ARTIFACTS/dovecot.err")"
  echo "$(cat "$E2E_DOVECOT/run/master.pid") $E2E_DOVECOT" >>"$E2E_WORK/dovecots.txt"
  e2e_log "Dovecot on 127.0.0.1:$E2E_POP3_PORT"
  while [ $# -ge 2 ]; do e2e_dovecot_adduser "$1" "$2"; shift 2; done
}

# Trusts the run's test CA in the prefix, as a user trusts the root of a
# self-signed server in Windows.
e2e_trust_test_ca() {
  e2e_spawn timeout 60 wine "$(dirname "$E2E_DRIVER")/vestun_e2e_trust.exe" "$(e2e_winpath "$E2E_PKI/ca.pem")" \
    >>"$E2E_ARTIFACTS/wine.log" 2>&1 || e2e_fail "cannot trust the test CA in the prefix"
}

# A clean-up step: must not call e2e_fail.
e2e_dovecot_stop() {
  [ -n "$E2E_DOVECOT" ] && [ -d "$E2E_DOVECOT" ] || return 0
  cp "$E2E_DOVECOT/log/dovecot.log" "$E2E_ARTIFACTS/dovecot.log" 2>/dev/null
  "$E2E_DOVECOT_SH" stop "$E2E_DOVECOT" 2>>"$E2E_ARTIFACTS/dovecot.err" 7>&- || return 1
  sed -i "\\| $E2E_DOVECOT\$|d" "$E2E_WORK/dovecots.txt" 2>/dev/null
  E2E_DOVECOT=""
  return 0
}

e2e_dovecot_adduser() {  # USER PASSWORD
  "$E2E_DOVECOT_SH" adduser "$E2E_DOVECOT" "$1" "$2" 2>>"$E2E_ARTIFACTS/dovecot.err" 7>&- \
    || e2e_fail "cannot add the Dovecot user $1"
}

# Delivers a small letter through Dovecot's LMTP, so Dovecot writes the
# topmost Received header; DATE ("YYYY-MM-DD hh:mm:ss", UTC) is the
# delivery date it stamps, else the real clock's. The stamp may come out a
# second later than DATE, so E2E_DELIVERED_AT is the time value of the date
# Dovecot did write: reckon expectations from it. With FIELD (a header
# line), the stored file is replaced by a copy with FIELD above that
# Received header, where mail filters insert theirs; the copy, dropped into
# Maildir/new, is a letter Dovecot numbers at its next session, after those
# already in the box.
E2E_FROM="Sender <sender@example.org>"  # the From field as written; set it for one call
e2e_deliver() {  # USER SUBJECT [DATE [FIELD]]
  local file="$E2E_RUN/letter.eml" box="$E2E_DOVECOT/mail/$1/new" before
  printf 'From: %s\nTo: %s@localhost\nSubject: %s\nMessage-ID: <%s.%s@example.org>\n\nHello.\n' \
    "$E2E_FROM" "$1" "$2" "$RANDOM$RANDOM" "$1" >"$file"
  before=$(ls "$box" 2>/dev/null)
  "$E2E_DOVECOT_SH" deliver "$E2E_DOVECOT" "$1" "$file" ${3:+"$3"} 2>>"$E2E_ARTIFACTS/dovecot.err" 7>&- \
    || e2e_fail "cannot deliver '$2' to $1"
  file=$(comm -13 <(printf '%s\n' "$before" | sort) <(ls "$box" | sort) | head -n 1)
  [ -n "$file" ] || e2e_fail "the delivery of '$2' left no file in $box"
  E2E_DELIVERED_AT=$(python3 - "$box/$file" <<'PY'
import email, email.utils, sys
with open(sys.argv[1], "rb") as f:
    received = email.message_from_binary_file(f).get_all("Received")[0]
print(int(email.utils.parsedate_to_datetime(received.split(";", 1)[1].strip()).timestamp()))
PY
  ) || e2e_fail "cannot read the Received date of '$2'"
  if [ -n "${4:-}" ]; then
    { printf '%s\n' "$4" && cat "$box/$file"; } >"$E2E_RUN/filtered.eml" && rm "$box/$file" \
      && "$E2E_DOVECOT_SH" drop "$E2E_DOVECOT" "$1" "$E2E_RUN/filtered.eml" 2>>"$E2E_ARTIFACTS/dovecot.err" 7>&- \
      || e2e_fail "cannot put a field above the Received header of '$2'"
  fi
  e2e_log "delivered '$2' to $1, stamped $(date -u -d "@$E2E_DELIVERED_AT" '+%F %T') UTC"
}

# Waits until Dovecot's log holds COUNT lines matching PATTERN (grep -E);
# fails the case when the time is up.
expect_dovecot_log() {  # PATTERN COUNT SECONDS
  local log="$E2E_DOVECOT/log/dovecot.log" limit=$(($(date +%s) + $3))
  until [ "$(grep -cE -- "$1" "$log" 2>/dev/null)" -ge "$2" ]; do
    [ "$(date +%s)" -lt "$limit" ] || e2e_fail "Dovecot logged fewer than $2 lines matching '$1' in $3 s"
    sleep 0.3
  done
  e2e_log "ok: Dovecot logged $(grep -E -- "$1" "$log" | tail -n 1)"
}

# The program's time value of a UTC date: Unix seconds, as Wine runs in UTC.
e2e_time_value() { date -u -d "$1 UTC" +%s; }

# The registry form of a password: each byte c as (c + T[k-1]) mod 256 and k,
# T[i] = (i*97 + 61) mod 256; always k = 40, where T[39] = 4. ASCII only.
e2e_scramble() {  # PLAIN
  local i c out=""
  for ((i = 0; i < ${#1}; i++)); do
    printf -v c '%d' "'${1:i:1}"
    [ "$c" -ge 32 ] && [ "$c" -le 123 ] || e2e_fail "e2e_scramble takes printable ASCII below '|' only"
    printf -v c "\\$(printf '%03o' $((c + 4)))"
    out+="$c("
  done
  printf '%s' "$out"
}

e2e_reg_string() { printf '"%s"' "$(printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g')"; }

# Settings of a user whose mailboxes live on 127.0.0.1, imported before the
# first start: box N on port E2E_BOX_PORTS[N-1] where a case sets that, else
# on the run's Dovecot, and at E2E_BOX_SERVERS[N-1], else 127.0.0.1. One argument per box:
#   "LOGIN PASSWORD MODE LASTMSGDATE ARGS..."
# MODE is the box's TandrelMode (0 dates, 1 counts), LASTMSGDATE a time value;
# on new mail the box starts the recorder with ARGS. Boxes are polled every
# 20 s. Error reports and version checks are off: whatever else the program
# opened would land in the recorder's file too (E2E_AUTO_CHECK=1 switches the
# version check on). Installs the recorder unless it is already.
# E2E_BOX_VALUES: .reg value lines for every box, in place of the defaults of
# the same values (Wine's regedit keeps the first of two).
E2E_BOX_PORTS=()
E2E_BOX_SERVERS=()
E2E_BOX_VALUES=""
E2E_AUTO_CHECK=0
e2e_seed_pop3_boxes() {  # BOX...
  local reg="$E2E_RUN/seed.reg" n=0 box login password mode last args port replaced
  [ -n "$E2E_RECORDED" ] || e2e_install_recorder
  replaced=$(sed -n 's/=.*/=/p' <<<"$E2E_BOX_VALUES")
  {
    echo 'Windows Registry Editor Version 5.00'
    printf '\n[HKEY_CURRENT_USER\\Software\\Tandreller\\Settings]\n'
    printf '"BoxesCount"=dword:%08x\n"SendErrors"=dword:00000000\n"DoAutoCheckNewVer"=dword:%08x\n' $# "$E2E_AUTO_CHECK"
    for box in "$@"; do
      n=$((n + 1))
      read -r login password mode last args <<<"$box"
      password=$(e2e_scramble "$password") || e2e_fail "cannot scramble the password of box $n"
      port=${E2E_BOX_PORTS[n - 1]:-$E2E_POP3_PORT}
      printf '\n[HKEY_CURRENT_USER\\Software\\Tandreller\\MailBoxes\\%d]\n' $n
      printf '"BoxName"="Ящик %d"\n"PopServerName"="%s"\n"Port"=dword:%08x\n' $n \
        "${E2E_BOX_SERVERS[n - 1]:-127.0.0.1}" "$port"
      printf '"Login"=%s\n"Password"=%s\n' "$(e2e_reg_string "$login")" "$(e2e_reg_string "$password")"
      printf '"MsminPath"=%s\n' "$(e2e_reg_string "\"$E2E_INSTALL_DIR\\recorder.exe\" $args")"
      {
        printf '"Delay"=dword:00000014\n"SoundMode"=dword:00000000\n"DoCheckBox"=dword:00000001\n'
        printf '"IsTheSameMsmin"=dword:00000000\n"MsminRunMode"=dword:00000001\n'
        printf '"TandrelMode"=dword:%08x\n"LastMsgDate"=dword:%08x\n' "$mode" "$last"
      } | grep -vF -- "${replaced:-=none=}"
      [ -z "$E2E_BOX_VALUES" ] || printf '%s\n' "$E2E_BOX_VALUES"
    done
  } >"$reg"
  cp "$reg" "$E2E_ARTIFACTS/seed.reg"
  e2e_reg_import "$reg"
}

# ---------------------------------------------------------------- misbehaving servers, CPU time

# Starts tests/support/SCRIPT in MODE on a free port of 127.0.0.1 and leaves
# the port in E2E_SERVER_PORT; it logs to NAME-MODE.log in the artifacts, on
# the real clock, and ends with the case (or a little after the deadline, by
# itself).
E2E_HOSTILE_PIDS=()
e2e_support_server() {  # NAME SCRIPT MODE [ARGS...]
  local name=$1-$3 script=$2 portfile i
  shift 2
  portfile="$E2E_RUN/$name.port"
  [ ${#E2E_HOSTILE_PIDS[@]} -gt 0 ] || E2E_CLEANUPS+=(e2e_hostile_stop)
  "${E2E_ENV[@]}" env -u LD_PRELOAD -u FAKETIME python3 "$(dirname "${BASH_SOURCE[0]}")/../support/$script" "$@" \
    --log "$E2E_ARTIFACTS/$name.log" --port-file "$portfile" --lifetime $((E2E_DEADLINE + 30)) \
    2>>"$E2E_ARTIFACTS/$name.err" 7>&- &
  E2E_HOSTILE_PIDS+=($!)
  for i in $(seq 50); do
    [ -s "$portfile" ] && break
    sleep 0.1
  done
  E2E_SERVER_PORT=$(cat "$portfile" 2>/dev/null)
  [ -n "$E2E_SERVER_PORT" ] || e2e_fail "the $name server did not start (see $name.err)"
  e2e_log "$name server on 127.0.0.1:$E2E_SERVER_PORT"
}

# hostile_pop3.py in MODE: its port in E2E_HOSTILE_PORT.
e2e_hostile_pop3() {  # MODE
  e2e_support_server hostile hostile_pop3.py "$1"
  E2E_HOSTILE_PORT=$E2E_SERVER_PORT
}

e2e_hostile_stop() {  # a clean-up step
  local p rc=0
  e2e_kill_pids "${E2E_HOSTILE_PIDS[@]}" || rc=1
  for p in "${E2E_HOSTILE_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  E2E_HOSTILE_PIDS=()
  return $rc
}

# ---------------------------------------------------------------- the program's web site

# The program reads its site through the user's proxy setting, which Wine's
# WinINet honours: tests/support/version_site.py stands in for the site as
# that proxy, so nothing leaves the machine. It speaks https with the
# certificate site.pem of e2e_test_pki, whose CA e2e_trust_test_ca trusts.
# MODE: serve (BODY is the version file), missing (404 pages), silent (never
# answers), drip (serve, a byte a second) or downgrade (redirects to http,
# where it serves BODY); its port in E2E_SITE_PORT, its log in E2E_SITE_LOG.
e2e_version_site() {  # MODE [BODY]
  e2e_test_pki
  e2e_support_server site version_site.py "$1" ${2+--body "$2"} --cert "$E2E_PKI/site.pem" --key "$E2E_PKI/site.key"
  E2E_SITE_PORT=$E2E_SERVER_PORT
  E2E_SITE_LOG="$E2E_ARTIFACTS/site-$1.log"
}

# Sets the user's proxy to 127.0.0.1:PORT; WinINet reads it at every check.
# Every prefix starts with E2E_NO_SITE_PORT, where nothing listens.
E2E_NO_SITE_PORT=1
e2e_proxy() {  # PORT
  local reg="$E2E_RUN/proxy.reg"
  printf 'Windows Registry Editor Version 5.00\n\n[%s]\n"ProxyEnable"=dword:00000001\n"ProxyServer"="127.0.0.1:%s"\n' \
    'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings' "$1" >"$reg"
  e2e_reg_import "$reg"
}

# The site of E2E_SITE_LOG was asked COUNT times, each time by the program's
# agent for a tunnel and in it, over TLS, for the version file; with
# --refused, for the tunnel alone, as the program refused the site's
# certificate.
expect_site_requests() {  # COUNT [--refused]
  local lines=('CONNECT vestun.example.org:443 HTTP/1.1') line
  [ "${2:-}" = --refused ] || lines+=('tls GET /version.txt HTTP/1.1')
  expect_eq "requests to the site" \
    "$(sed -n 's/^.* conn [0-9]* \(tls \)\{0,1\}request /\1/p' "$E2E_SITE_LOG" | sort | uniq -c | sed 's/^ *//')" \
    "$([ "$1" -eq 0 ] || for line in "${lines[@]}"; do printf '%s %s\tagent Tandrel application\n' "$1" "$line"; done)"
}

# LastCheckNewVer holds the program's clock at a moment of this run: from the
# pinned date on, by at most the seconds the run has lasted. Leaves it in
# E2E_LAST_CHECK.
expect_last_check_of_run() {
  local low high
  low=$(($(date -d "$E2E_DATE" +%s) - 1))
  high=$((low + 2 + $(date +%s) - E2E_STARTED))
  E2E_LAST_CHECK=$(kv value "$(drv reg-query --key 'HKCU\Software\Tandreller\Settings' --value LastCheckNewVer)")
  [ -n "$E2E_LAST_CHECK" ] && [ "$E2E_LAST_CHECK" -ge "$low" ] && [ "$E2E_LAST_CHECK" -le "$high" ] \
    || e2e_fail "LastCheckNewVer is '$E2E_LAST_CHECK', expected $low to $high"
  e2e_log "ok: LastCheckNewVer = $E2E_LAST_CHECK ($(date -u -d "@$E2E_LAST_CHECK" '+%F %T') UTC)"
}

# In the export FILE, LastCheckNewVer reads "(the start)" where it holds the
# time of this run's start-up check.
e2e_mark_last_check() {  # FILE
  expect_last_check_of_run
  sed -i "s/^\"LastCheckNewVer\"=dword:$(printf %08x "$E2E_LAST_CHECK")\$/\"LastCheckNewVer\"=(the start)/" "$1"
}

# The pid of the Wine process running vestun.exe (Explorer's command line
# names it too, but not first).
e2e_vestun_pid() {
  local p
  for p in $(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN"); do
    tr '\0' '\n' <"/proc/$p/cmdline" 2>/dev/null | head -n 1 | grep -qi 'vestun\.exe$' && echo "$p"
  done
  return 0
}

# ---------------------------------------------------------------- the tray icon and its menus

E2E_TRAY_PY=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/driver/tray_icon.py
E2E_ICON_SIZE=16    # the drawing the tray should show: the system's small-icon size

# The centre of the first (rightmost) tray icon: E2E_TRAY_X, E2E_TRAY_Y;
# with arguments, then expect_tray with them.
e2e_tray_spot() {  # [SECONDS STATE [NNN]]
  local m
  m=$(drv metrics) || e2e_fail "no taskbar in the desktop"
  IFS=, read -r E2E_TRAY_X E2E_TRAY_Y <<<"$(kv first_icon "$m")"
  [ $# -eq 0 ] || expect_tray "$@"
}

# The icons of ours the tray shows over COUNT samples 100 ms apart, in
# E2E_TRAY (runs=, period_ms=; see driver/tray_icon.py). MAPS: icon numbers.
e2e_tray_watch() {  # COUNT [MAP...]
  local count=$1
  shift
  E2E_TRAY=$(drv tray-pixels --count "$count" --every 100 | python3 "$E2E_TRAY_PY" --size "$E2E_ICON_SIZE" "$@") \
    || e2e_fail "cannot tell what the tray shows: $E2E_TRAY"
}

# The virtual desktop ends with the last program started on it, and its tray
# with it; a driver cannot join it then. Whether its explorer still runs:
e2e_desktop_alive() {
  local pid
  for pid in $(e2e_pids_marked "VESTUN_E2E_RUN=$E2E_RUN"); do
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "explorer.exe /desktop=$E2E_DESKTOP," && return 0
  done
  return 1
}

# e2e_tray_watch for an empty tray, which a desktop that has ended is too.
e2e_tray_watch_or_gone() {
  local pixels="" limit
  # The driver's status, not the reader's: a driver that could not join the
  # desktop reads no pixels, which is not an empty tray.
  if e2e_desktop_alive && pixels=$(drv tray-pixels --count 5 --every 100) \
    && E2E_TRAY=$(python3 "$E2E_TRAY_PY" --size "$E2E_ICON_SIZE" <<<"$pixels"); then
    return
  fi
  # A desktop ends with its last program and can no longer be joined, while
  # its Explorer may take some seconds more to exit under load.
  limit=$(($(date +%s) + 20))
  while e2e_desktop_alive; do
    [ "$(date +%s)" -lt "$limit" ] || e2e_fail "cannot tell what the tray shows: $pixels"
    sleep 0.3
  done
  E2E_TRAY=$'runs=empty\nperiod_ms=0'
}

# Waits up to SECONDS until the tray shows, for one to two seconds:
#   quiet NNN  icon NNN, unchanging;
#   jumping    the rocking envelope: 111, 112, 113, 112, 111 ... every 300 ms;
#   version    the new-version envelope: 123, 126, 124, 125, 123 ... every 300 ms;
#   empty      no icon at all.
expect_tray() {  # SECONDS STATE [NNN]
  local limit=$(($(date +%s) + $1)) runs period cycle=""
  case $2 in
    jumping) cycle=$(printf '111 112 113 112 %.0s' {1..8}) ;;
    version) cycle=$(printf '123 126 124 125 %.0s' {1..8}) ;;
  esac
  while :; do
    case $2 in
      quiet) e2e_tray_watch 10 "$3" ;;
      empty) e2e_tray_watch_or_gone ;;
      jumping) e2e_tray_watch 25 111 112 113 ;;
      version) e2e_tray_watch 25 123 124 125 126 ;;
    esac
    runs=$(kv runs "$E2E_TRAY")
    period=$(kv period_ms "$E2E_TRAY")
    case $2 in
      quiet) [ "$runs" = "$3" ] ;;
      empty) [ "$runs" = empty ] ;;
      jumping | version) [[ " $cycle" == *" $runs "* ]] && [ "$(wc -w <<<"$runs")" -ge 5 ] \
        && [ "$period" -ge 200 ] && [ "$period" -le 450 ] ;;
    esac && break
    [ "$(date +%s)" -lt "$limit" ] || e2e_fail "tray: expected $2 ${3:-}, saw icons '$runs' (a frame every $period ms)"
  done
  e2e_log "ok: tray $2${3:+ $3}: $runs$([ -n "$cycle" ] && echo " (a frame every $period ms)")"
}

e2e_mouse() {  # xdotool ARGS...: the mouse on the X screen of the desktop
  xdotool "$@" 2>>"$E2E_ARTIFACTS/harness.log" || e2e_fail "xdotool $* failed"
}

# Moves the mouse off the tray, waits for any tooltip to go, and rests it on
# the first icon again: the tooltip the taskbar then shows must read TEXT.
expect_tray_tooltip() {  # TEXT
  local out
  e2e_mouse mousemove 500 300
  drv wait-no-window --class tooltips_class32 --visible --timeout 5000 >/dev/null
  e2e_mouse mousemove "$E2E_TRAY_X" "$E2E_TRAY_Y"
  out=$(drv wait-window --class tooltips_class32 --visible --timeout 5000) || e2e_fail "no tooltip over the tray icon"
  expect_eq "tooltip" "$(kv title "$out")" "$1"
}

# Clicks the first tray icon with BUTTON (1 left, 3 right).
e2e_tray_click() { e2e_mouse mousemove "$E2E_TRAY_X" "$E2E_TRAY_Y" click "$1"; }

# Waits for a popup menu and presses KEYS in it (virtual-key codes: 0x26 up,
# 0x28 down, 0x0d Enter, 0x1b Escape); with SHOT, screenshots it first.
e2e_menu_keys() {  # KEYS [SHOT]
  drv wait-window --class '#32768' --visible --timeout 10000 >/dev/null || e2e_fail "no menu opened"
  if [ -n "${2:-}" ]; then sleep 0.3; e2e_shot "$2"; fi
  drv menu-keys --keys "$1" >/dev/null || e2e_fail "could not press $1 in the menu"
}

# The balloon of the tray icon: Wine's explorer shows it about 2 s after the
# program asks, for at least 10 s. Its text must read TEXT, lines joined by
# a written "\n". Its title goes unchecked: Wine draws it, but Wine 8 gives
# none to read.
expect_balloon() {  # TEXT
  local out
  out=$(drv balloon-text --timeout 15000) || e2e_fail "no balloon within 15 s"
  expect_eq "balloon" "$(kv text "$out")" "$1"
}

# No balloon comes within SECONDS; one shown before does not count. Start it
# once the program has finished what would ask for a balloon.
expect_no_balloon() {  # SECONDS
  local out
  out=$(drv balloon-text --none --timeout $(($1 * 1000))) || e2e_fail "a balloon came: '$(kv text "$out")'"
  e2e_log "ok: no balloon within $1 s"
}

# ---------------------------------------------------------------- dialogs

E2E_SETTINGS="Настройки Вестуна"
E2E_DIALOG=$E2E_SETTINGS  # the dialog the helpers below read and click

# Waits for the dialog TITLE and makes it E2E_DIALOG; leaves the driver's
# description of its window (rect=, owner= ...) in E2E_WINDOW.
e2e_dialog() {  # TITLE
  E2E_WINDOW=$(drv wait-window --class '#32770' --title "$1" --visible --timeout 20000) \
    || e2e_fail "no dialog '$1' within 20 s"
  E2E_DIALOG=$1
}

e2e_dialog_gone() {  # TITLE: closes within 10 s
  drv wait-no-window --class '#32770' --title "$1" --timeout 10000 >/dev/null || e2e_fail "'$1' is still open"
  e2e_log "ok: '$1' closed"
}

# Reads every control of E2E_DIALOG into E2E_CTLS, one line each,
# the visible ones first: ids repeat from page to page. Columns: id, class,
# visible, enabled, state (check of a button, selection of a drop-down list
# or tab control, rows of a list view), centre on the screen, text.
e2e_read_ctls() {
  E2E_CTLS=$(drv controls --title "$E2E_DIALOG" --wait 10000) || e2e_fail "no dialog '$E2E_DIALOG'"
}

ctl() {  # ID FIELD: of the first control with that id in E2E_CTLS
  local col
  case $2 in class) col=2 ;; visible) col=3 ;; enabled) col=4 ;; state) col=5 ;; centre) col=6 ;; text) col=7 ;; esac
  awk -F'\t' -v id="$1" -v c="$col" '$1 == id { print $c; exit }' <<<"$E2E_CTLS"
}

# Waits up to 5 s until every "ID FIELD VALUE" holds in E2E_DIALOG.
expect_ctls() {  # "ID FIELD VALUE"...
  local limit=$(($(date +%s) + 5)) check id field want bad
  while :; do
    e2e_read_ctls
    bad=""
    for check in "$@"; do
      read -r id field want <<<"$check"
      [ "$(ctl "$id" "$field")" = "$want" ] || bad+="; $id $field: got '$(ctl "$id" "$field")', expected '$want'"
    done
    [ -z "$bad" ] && break
    [ "$(date +%s)" -lt "$limit" ] || e2e_fail "'$E2E_DIALOG'$bad"
    sleep 0.2
  done
  e2e_log "ok: $(printf '[%s] ' "$@")"
}

# A real left click on the visible control ID of E2E_DIALOG; then, with
# CHECKS, expect_ctls CHECKS.
e2e_click() {  # ID ["ID FIELD VALUE"...]
  local xy
  e2e_read_ctls
  [ "$(ctl "$1" visible)" = 1 ] || e2e_fail "control $1 is not visible"
  xy=$(ctl "$1" centre)
  e2e_mouse mousemove "${xy%,*}" "${xy#*,}" click 1
  [ $# -lt 2 ] || expect_ctls "${@:2}"
}

# Keys reach the window that has the keyboard: a dialog is shown a moment
# before it is activated, and the activation goes back to a dialog a moment
# after its message box closed. Until E2E_DIALOG (or a popup of its own, such
# as the cell editor) is the foreground window, keys would land elsewhere.
e2e_keyboard_to_dialog() {
  drv wait-window --class '#32770' --title "$E2E_DIALOG" --visible --foreground --timeout 10000 >/dev/null \
    || e2e_fail "'$E2E_DIALOG' did not get the keyboard within 10 s"
}

e2e_keys() { e2e_keyboard_to_dialog; e2e_mouse key --delay 150 "$@"; }  # X key names: Escape, Return, Tab ...

# The items of the tab control or list view ID into E2E_ITEMS, one line
# each: index, selected, then centre and text of every cell; a list view's
# columns come first as "column=N width header".
e2e_items() {  # ID
  E2E_ITEMS=$(drv items --title "$E2E_DIALOG" --id "$1") || e2e_fail "cannot read the items of control $1"
}

# The texts of the rows of E2E_ITEMS, cells joined by "|", one row a line,
# a star before selected rows.
e2e_rows() { awk -F'\t' '!/^column=/ { r = ($2 ? "*" : ""); for (i = 4; i <= NF; i += 2) r = r (i > 4 ? "|" : "") $i; print r }' <<<"$E2E_ITEMS"; }

e2e_item_centre() {  # INDEX [COLUMN]: "x,y" of that tab or cell of E2E_ITEMS
  awk -F'\t' -v row="$1" -v c=$((3 + 2 * ${2:-0})) '!/^column=/ && $1 == row { print $c }' <<<"$E2E_ITEMS"
}

# A real click on the tab (or cell) INDEX [COLUMN] of E2E_ITEMS; CLICKS 2 for a double click.
e2e_click_item() {  # INDEX [COLUMN [CLICKS]]
  local xy
  xy=$(e2e_item_centre "$1" "${2:-0}")
  [ -n "$xy" ] || e2e_fail "no item $1 to click"
  e2e_mouse mousemove "${xy%,*}" "${xy#*,}" click --repeat "${3:-1}" --delay 80 1
}

# A real click on the tab INDEX of the settings dialog; then expect_ctls CHECKS.
e2e_tab() {  # INDEX ["ID FIELD VALUE"...]
  e2e_items 1038
  e2e_click_item "$1"
  expect_ctls "1038 state $1" "${@:2}"
}

# Waits for the settings dialog; leaves its rectangle in E2E_SETTINGS_RECT.
e2e_wait_settings() {
  e2e_dialog "$E2E_SETTINGS"
  E2E_SETTINGS_RECT=$(kv rect "$E2E_WINDOW")
}

e2e_settings_gone() { e2e_dialog_gone "$E2E_SETTINGS"; }

# Closes the settings dialog with the key NAME (Escape, Return) or a real
# click on the button ID.
e2e_close_settings() {  # NAME|ID
  if [[ $1 == [0-9]* ]]; then e2e_click "$1"; else e2e_keys "$1"; fi
  e2e_settings_gone
}

e2e_set_texts() {  # ID TEXT [ID TEXT]...: into the controls of E2E_DIALOG
  drv set-texts --title "$E2E_DIALOG" "$@" || e2e_fail "cannot set the texts $*"
}

# "Настройки", the first item of the tray menu; with TAB, then that page.
e2e_open_settings() {  # [TAB]
  e2e_tray_spot
  e2e_tray_click 3
  e2e_menu_keys 0x28,0x0d
  e2e_wait_settings
  [ -z "${1:-}" ] || e2e_tab "$1"
}

# A start on incomplete mailboxes opens the settings dialog: "Отмена" closes it.
e2e_escape_settings() {
  e2e_wait_settings
  # Its "Отмена", which Escape stands for: a key sent the moment a dialog
  # comes up again can reach Wine before the dialog has the X focus.
  drv press --caption "$E2E_DIALOG" --id 2 >/dev/null || e2e_fail "could not cancel '$E2E_DIALOG'"
  e2e_settings_gone
}

# Passwords are scrambled with a position drawn at random for every byte, so
# they differ from save to save: rewrites each "Password" line of the export
# FILE as "Password"=scrambled("PLAIN"), or =unscrambled("TEXT") for a value
# that does not decode. The bytes are Windows-1251, as Wine read them; any
# of them may be a line feed or carriage return, which reg export writes as
# \n and \r.
e2e_unscramble_passwords() {  # FILE
  python3 - "$1" <<'PY' || e2e_fail "cannot read the passwords of $1"
import re, sys

def byte(c):
    try:
        return c.encode("cp1251")[0]
    except UnicodeEncodeError:
        return ord(c)  # the one byte Windows-1251 leaves unassigned

# Every escape that reg export writes; any other would be a misreading.
ESCAPES = {"n": "\n", "r": "\r", "\\": "\\", '"': '"'}

def plain(stored):
    raw = [byte(c) for c in re.sub(r'\\(.)', lambda m: ESCAPES[m.group(1)], stored)]
    if len(raw) % 2 or any(not 1 <= p <= 150 for p in raw[1::2]):
        return None
    return bytes((b - ((p - 1) * 97 + 61)) % 256 for b, p in zip(raw[::2], raw[1::2])).decode("cp1251")

def line(m):
    text = plain(m.group(1))
    return '"Password"=unscrambled("%s")' % m.group(1) if text is None else '"Password"=scrambled("%s")' % text

path = sys.argv[1]
with open(path, encoding="utf-8") as f:
    tree = f.read()
with open(path, "w", encoding="utf-8") as f:
    f.write(re.sub(r'^"Password"="((?:[^"\\]|\\.)*)"$', line, tree, flags=re.M))
PY
}

# The settings tree, passwords unscrambled, must be expected/NAME.reg; with
# --start, LastCheckNewVer holds the time of this run's start-up check, and
# the tree is read once the program is past its start-up.
expect_settings_tree() {  # NAME [--start]
  local tree="$E2E_ARTIFACTS/tree.reg"
  [ "${2:-}" != --start ] || e2e_wait_vestun_ready
  e2e_reg_export 'HKCU\Software\Tandreller' "$tree"
  [ "${2:-}" != --start ] || e2e_mark_last_check "$tree"
  e2e_unscramble_passwords "$tree"
  expect_file_eq "settings tree" "$tree" "$(dirname "${BASH_SOURCE[0]}")/expected/$1.reg"
}

e2e_type() { e2e_keyboard_to_dialog; e2e_mouse type --delay 60 "$1"; }  # TEXT, ASCII: typed on the keyboard

# A real double click on cell ROW, COLUMN of the list view ID opens the cell
# editor, a popup "Edit" window: it must cover the cell and show TEXT.
e2e_edit_cell() {  # ID ROW COLUMN TEXT
  local out l t w h xy
  e2e_items "$1"
  e2e_click_item "$2" "$3" 2
  out=$(drv wait-window --class Edit --visible --timeout 5000) || e2e_fail "no cell editor for row $2, column $3"
  expect_eq "editor text of row $2, column $3" "$(kv title "$out")" "$4"
  IFS=, read -r l t w h <<<"$(kv rect "$out")"
  xy=$(e2e_item_centre "$2" "$3")
  [ "${xy%,*}" -ge "$l" ] && [ "${xy%,*}" -lt $((l + w)) ] && [ "${xy#*,}" -ge "$t" ] && [ "${xy#*,}" -lt $((t + h)) ] \
    || e2e_fail "the editor ($(kv rect "$out")) does not cover the cell at $xy"
}

expect_no_editor() {
  drv wait-no-window --class Edit --visible --timeout 5000 >/dev/null || e2e_fail "the cell editor is still open"
}

# Run rather than sourced, after every case (with the cases' arguments):
# nothing of ours outlives the tests, their Dovecots included.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  e2e_parse_args "$@"
  left=$(e2e_pids_marked "VESTUN_E2E_OWNER=$E2E_WORK")
  dovecots=$(e2e_dovecot_leftovers)
  if [ -n "$left$dovecots" ]; then
    [ -z "$left" ] || { e2e_describe_pids $left >&2; e2e_kill_pids $left; }
    [ -z "$dovecots" ] || { printf 'Dovecot %s\n' "$dovecots" >&2; e2e_dovecot_end_leftovers; }
    e2e_fail "the cases left processes running (listed above, now ended)"
  fi
  e2e_pass
fi
