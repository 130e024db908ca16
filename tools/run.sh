#!/bin/bash
# Builds vestun.exe and starts it under Wine in a virtual desktop with a
# taskbar, so its tray icon shows. With $DISPLAY the desktop opens there;
# without one it runs on a private Xvfb and saves a screenshot. Settings stay
# in the Wine prefix build/win32/run-prefix from one run to the next.
#
# So that a newcomer sees it find mail without an account of their own, a
# private POP3 server (Dovecot on 127.0.0.1) runs alongside with a few
# letters for the user "demo", and a first start gets a mailbox for it.
# Ctrl+C ends it all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target vestun -j "$(nproc 2>/dev/null || echo 2)"

. tools/wine-env.sh
wine_env ru_RU.UTF-8
export WINEPREFIX="$PWD/build/win32/run-prefix"
demo_dir="$PWD/build/win32/demo-pop3"
demo_port=""
cleanup() {
  wine_stop_prefix
  wine_stop_xvfb
  [ -z "$demo_port" ] || bash tests/support/dovecot.sh stop "$demo_dir" >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  wine_start_xvfb 1024x768 /dev/null || { echo "run: Xvfb did not start" >&2; exit 1; }
fi

# Made once: after that it holds the user's settings.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine_prefix "$WINEPREFIX" || { echo "run: could not make the Wine prefix" >&2; exit 1; }
fi

# The demo server and its letters, anew at every run.
start_demo_server() {
  local dovecot=tests/support/dovecot.sh
  rm -rf "$demo_dir" && mkdir -p "$demo_dir"
  demo_port=$(bash "$dovecot" start "$demo_dir") || { demo_port=""; return 1; }
  bash "$dovecot" adduser "$demo_dir" demo demo >/dev/null
  local letter n=0
  for subject in "Добро пожаловать" "Как настроить Вестуна" "Письмо от друга"; do
    n=$((n + 1))
    letter="$demo_dir/letter$n.eml"
    printf 'From: demo@example.org\nTo: demo@example.org\nSubject: %s\n\nЭто письмо с демонстрационного сервера.\n' \
      "$subject" >"$letter"
    bash "$dovecot" deliver "$demo_dir" demo "$letter" >/dev/null
  done
}

# A first start gets the demo mailbox; later ones keep the user's settings
# and only follow the demo server to its new port.
seed_demo_mailbox() {
  local box='HKCU\Software\Tandreller\MailBoxes\1'
  if ! wine reg query 'HKCU\Software\Tandreller\Settings' >/dev/null 2>&1; then
    wine reg add 'HKCU\Software\Tandreller\Settings' /v BoxesCount /t REG_DWORD /d 1 /f >/dev/null
    wine reg add "$box" /v BoxName /t REG_SZ /d "Демо" /f >/dev/null
    wine reg add "$box" /v PopServerName /t REG_SZ /d 127.0.0.1 /f >/dev/null
    wine reg add "$box" /v Login /t REG_SZ /d demo /f >/dev/null
    # "demo" as the program stores passwords: pairs of a shifted byte and a position.
    wine reg add "$box" /v Password /t REG_SZ /d 'h(i(q(s(' /f >/dev/null
    wine reg add "$box" /v TandrelMode /t REG_DWORD /d 0 /f >/dev/null
  fi
  if wine reg query "$box" /v Login 2>/dev/null | tr -d '\r' | grep -q 'REG_SZ *demo$'; then
    wine reg add "$box" /v Port /t REG_DWORD /d "$demo_port" /f >/dev/null
  fi
}

if [ "$(id -u)" = 0 ] && command -v dovecot >/dev/null && start_demo_server; then
  seed_demo_mailbox
  echo "run: demo POP3 server on 127.0.0.1:$demo_port (user demo, password demo, 3 letters)"
else
  echo "run: no demo POP3 server (it needs root and Dovecot); Vestun starts without it"
fi

wine explorer "/desktop=$WINE_DESKTOP,1024x768" "$PWD/build/win32/vestun.exe" &
desktop=$!
if [ -n "${WINE_XVFB_PID:-}" ]; then
  sleep 8
  import -display "$DISPLAY" -window root build/win32/screenshot.png
  echo "run: no display here; screenshot saved to build/win32/screenshot.png"
fi
echo "run: Vestun is running (Ctrl+C ends it)"
wait "$desktop"
