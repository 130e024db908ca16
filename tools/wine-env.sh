# The one Wine environment the program runs in, sourced by bash scripts:
# tools/wine-run.sh (the conformance tests), tests/e2e/lib.sh (the end-to-end
# cases) and tools/run.sh (a user's start). It holds the locale and with it
# Wine's ANSI code page, the quiet Wine settings, the private X server and the
# way a Wine prefix is made.
#
# Wine's commands and the X server start behind WINE_LAUNCH, a command
# prefix such as (env VAR=value ...) through which a harness marks its
# processes to find them again; empty by default. Wine's own chatter while a
# prefix is made goes to WINE_LOG.

WINE_LAUNCH=()
WINE_LOG=${WINE_LOG:-/dev/null}
# The virtual desktop that shows a taskbar, and with it the notification area.
WINE_DESKTOP=${WINE_DESKTOP:-Vestun}
# Changing how a prefix is made changes this, so older templates are made anew.
WINE_PREFIX_RECIPE=vestun-prefix-3

wine_spawn() { "${WINE_LAUNCH[@]}" "$@"; }

# PID runs: it exists and has not ended (an ended child stays a zombie until
# it is waited for, and kill -0 still finds it).
wine_alive() {  # PID
  local state
  state=$(sed -n 's/^[0-9]* (.*) \(.\) .*/\1/p' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# LOCALE is the user's, and Wine takes its ANSI code page from it:
# ru_RU.UTF-8 gives Windows-1251, en_US.UTF-8 gives 1252, the Windows on
# which the program must speak Russian all the same. Wine's debug channels
# and its offers to install Mono and Gecko stay silent.
wine_env() {  # LOCALE
  export LANG=$1 LC_ALL=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# A private X server of GEOMETRY (e.g. 1024x768): exports DISPLAY and leaves
# its pid in WINE_XVFB_PID. Xvfb picks a free display itself and reports it
# when ready (-displayfd). Xvfb's messages go to LOG.
wine_start_xvfb() {  # GEOMETRY LOG
  local fdfile i
  unset DISPLAY
  fdfile=$(mktemp) || return 1
  # Not through wine_spawn: a function put in the background would leave its
  # subshell's pid in $!, not the server's.
  "${WINE_LAUNCH[@]}" Xvfb -displayfd 9 -screen 0 "${1}x24" -nolisten tcp -noreset 9>"$fdfile" >>"$2" 2>&1 &
  WINE_XVFB_PID=$!
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    wine_alive "$WINE_XVFB_PID" || break
    sleep 0.1
  done
  [ -s "$fdfile" ] && export DISPLAY=":$(head -n 1 "$fdfile")"
  rm -f "$fdfile"
  [ -n "${DISPLAY:-}" ] || { wine_stop_xvfb; return 1; }
}

# Ends the X server of wine_start_xvfb by its pid: politely, then for sure.
wine_stop_xvfb() {
  [ -n "${WINE_XVFB_PID:-}" ] || return 0
  local i
  kill -TERM "$WINE_XVFB_PID" 2>/dev/null || true
  for i in $(seq 50); do wine_alive "$WINE_XVFB_PID" || break; sleep 0.1; done
  kill -KILL "$WINE_XVFB_PID" 2>/dev/null || true
  wait "$WINE_XVFB_PID" 2>/dev/null || true
  WINE_XVFB_PID=""
}

# Ends every process of the prefix WINEPREFIX; the wineserver saves its
# registry as it goes.
wine_stop_prefix() { wine_spawn timeout 30 wineserver -k 2>/dev/null || true; }

# Makes the prefix DIR unless it is already made by this recipe and this
# version of Wine (its stamp is DIR.stamp); DIR.lock lets one run make it
# while others wait. EXTRA (a command, run with WINEPREFIX=DIR after the
# boot, and named in the stamp) adds what the caller wants in every copy.
# wineboot takes 10-20 s, so a template made once is copied for each run.
wine_prefix() {  # DIR [EXTRA...]
  local dir=$1 stamp
  shift
  stamp="$(wine --version 2>/dev/null) $WINE_PREFIX_RECIPE $*"
  mkdir -p "$(dirname "$dir")" || return 1
  (
    flock -w 600 8 || exit 1
    # Wine's tools may complain and still do their work: the files judge.
    set +e
    [ "$(cat "$dir.stamp" 2>/dev/null)" = "$stamp" ] && [ -f "$dir/system.reg" ] && exit 0
    echo "making the Wine prefix $dir (once)" >&2
    rm -rf "$dir" "$dir.stamp"
    export WINEPREFIX=$dir
    wine_spawn timeout 120 wineboot -i >>"$WINE_LOG" 2>&1
    wine_spawn timeout 120 wineserver -w
    # A virtual desktop shows the taskbar only when asked to (or when it is
    # called "shell").
    wine_spawn timeout 60 wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$WINE_DESKTOP" \
      /v EnableShell /t REG_DWORD /d 1 /f >>"$WINE_LOG" 2>&1
    if [ $# -gt 0 ]; then "$@" || exit 1; fi
    wine_spawn timeout 60 wineserver -w
    [ -f "$dir/system.reg" ] && [ -f "$dir/user.reg" ] || exit 1
    echo "$stamp" >"$dir.stamp"
  ) 8>"$dir.lock"
}

# A fresh prefix DEST, a copy of the template TEMPLATE (made first if need be).
wine_fresh_prefix() {  # TEMPLATE DEST [EXTRA...]
  local template=$1 dest=$2
  shift 2
  wine_prefix "$template" "$@" && cp -a "$template" "$dest"
}
