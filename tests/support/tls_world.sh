#!/bin/bash
# The servers of the TLS conformance tests, in one directory (the tests find
# it through VESTUN_TLS_WORLD):
#
#   tls_world.sh start DIR    certificates in DIR/pki (test_pki.sh), a Dovecot
#                             with --tls in DIR with the user tlsuser
#                             (password tls-secret), a server that never
#                             answers, its port in DIR/silent.port, and a
#                             web site over TLS for "localhost" that serves
#                             /version.txt, "2.14\n", its port in
#                             DIR/site.port
#   tls_world.sh stop DIR
#
# Dovecot logs to DIR/log/dovecot.log, the other servers to DIR/log/NAME.log.
# While another build's servers hold port 995, start waits for them to end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
die() { echo "tls_world.sh: $*" >&2; exit 1; }

stop() {
  local dir=$1 pid name
  bash "$here/dovecot.sh" stop "$dir"
  for name in silent site; do
    pid=$(cat "$dir/$name.pid" 2>/dev/null) || continue
    # Only if that pid is still the server, not a later process.
    if grep -qE 'hostile_pop3|version_site' "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
    rm -f "$dir/$name.pid" "$dir/$name.port"
  done
}

# Starts a server (a script of this folder with its arguments) as NAME.
start_server() {
  local dir=$1 name=$2 waited=0
  shift 2
  # Its own session and no inherited output, so ctest does not wait for it.
  setsid python3 "$here/$@" --log "$dir/log/$name.log" --port-file "$dir/$name.port" --lifetime 3600 \
    </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/$name.pid"
  while [ ! -s "$dir/$name.port" ]; do
    [ $waited -lt 100 ] || die "the $name server wrote no port file"
    sleep 0.05
    waited=$((waited + 1))
  done
}

port_995_taken() {
  local address
  for address in 127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4; do
    (exec 3<>"/dev/tcp/$address/995") 2>/dev/null && return 0
  done
  return 1
}

start_dovecot() {
  local dir=$1 deadline=$((SECONDS + 300))
  until bash "$here/dovecot.sh" start "$dir" --tls "$dir/pki" >/dev/null 2>"$dir/log/start-tls.err"; do
    port_995_taken || grep -q 'is taken' "$dir/log/start-tls.err" || die "$(cat "$dir/log/start-tls.err")"
    [ $SECONDS -lt $deadline ] || die "port 995 stayed taken for 300 s"
    sleep 1
  done
}

start() {
  local dir=$1
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  stop "$dir"
  bash "$here/test_pki.sh" "$dir/pki"
  bash "$here/dovecot.sh" adduser "$dir" tlsuser tls-secret
  start_dovecot "$dir"
  start_server "$dir" silent hostile_pop3.py silent
  start_server "$dir" site version_site.py serve --tls --body $'2.14\n' \
    --cert "$dir/pki/localhost.pem" --key "$dir/pki/localhost.key"
}

[ $# -eq 2 ] || { sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
case "$1" in
  start) start "$2" ;;
  stop) [ ! -d "$2" ] || stop "$(cd "$2" && pwd)" ;;
  *) die "unknown command: $1" ;;
esac
