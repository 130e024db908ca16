#!/bin/bash
# The servers of the TLS conformance tests, in one directory (the tests find
# it through VESTUN_TLS_WORLD):
#
#   tls_world.sh start DIR    certificates in DIR/pki (test_pki.sh), a Dovecot
#                             with --tls in DIR with the user tlsuser
#                             (password tls-secret), a server that never
#                             answers, its port in DIR/silent.port, the
#                             misbehaving TLS servers of hostile_tls.py, their
#                             ports in DIR/MODE.port, and a web site over TLS
#                             for "localhost" that serves /version.txt,
#                             "2.14\n", its port in DIR/site.port; two more
#                             TLS servers for "localhost" whose certificates'
#                             intermediate is to be fetched, from a web site
#                             that serves it (DIR/fetched.port) or from the
#                             silent server (DIR/stalled.port)
#   tls_world.sh stop DIR
#
# Dovecot logs to DIR/log/dovecot.log, the other servers to DIR/log/NAME.log.
# While another build's servers hold port 995, start waits for them to end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
die() { echo "tls_world.sh: $*" >&2; exit 1; }

# Ends the server whose pid NAME.pid holds, if that pid is still running
# SCRIPT and not a later process.
stop_server() {
  local dir=$1 name=$2 script=$3 pid
  pid=$(cat "$dir/$name.pid" 2>/dev/null) || return 0
  if grep -q "$script" "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -f "$dir/$name.pid"
}

stop() {
  local dir=$1
  bash "$here/dovecot.sh" stop "$dir"
  stop_server "$dir" silent hostile_pop3
  stop_server "$dir" hostile-tls hostile_tls
  stop_server "$dir" site version_site
  stop_server "$dir" issuers version_site
  stop_server "$dir" fetched version_site
  stop_server "$dir" stalled version_site
  rm -f "$dir"/*.port "$dir/hostile-tls.keys"
}

# Waits up to 10 s for a server's port file.
wait_for_port() {
  local file=$1 waited=0
  while [ ! -s "$file" ]; do
    [ $waited -lt 200 ] || die "no port file $file"
    sleep 0.05
    waited=$((waited + 1))
  done
}

port_995_taken() {
  local address
  for address in 127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8; do
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
  # Its own session and no inherited output, so ctest does not wait for it.
  setsid python3 "$here/hostile_pop3.py" silent --log "$dir/log/silent.log" \
    --port-file "$dir/silent.port" --lifetime 3600 </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/silent.pid"
  setsid python3 "$here/hostile_tls.py" "$dir/pki" --dir "$dir" --log "$dir/log/hostile-tls.log" \
    --lifetime 3600 </dev/null >/dev/null 2>"$dir/log/hostile-tls.err" &
  echo $! >"$dir/hostile-tls.pid"
  site "$dir" site serve --tls --body $'2.14\n' --cert "$dir/pki/localhost.pem" --key "$dir/pki/localhost.key"
  wait_for_port "$dir/silent.port"
  wait_for_port "$dir/padded.port"
  wait_for_port "$dir/site.port"
  start_fetched "$dir"
}

# Windows keeps what it fetched for a chain: each start's certificates name
# addresses of their own, so that none was fetched by an earlier run.
start_fetched() {
  local dir=$1 name token
  site "$dir" issuers serve --issuer "$dir/pki/lost-intermediate.der"
  wait_for_port "$dir/issuers.port"
  token=$(openssl rand -hex 8)
  bash "$here/test_pki.sh" "$dir/pki" --fetched fetched "http://127.0.0.1:$(cat "$dir/issuers.port")/$token/issuer.cer"
  bash "$here/test_pki.sh" "$dir/pki" --fetched stalled "http://127.0.0.1:$(cat "$dir/silent.port")/$token/issuer.cer"
  for name in fetched stalled; do
    site "$dir" $name serve --tls --cert "$dir/pki/$name.pem" --key "$dir/pki/$name.key"
  done
  for name in fetched stalled; do wait_for_port "$dir/$name.port"; done
}

# A version_site.py as server NAME, its port in DIR/NAME.port.
site() {
  local dir=$1 name=$2
  shift 2
  setsid python3 "$here/version_site.py" "$@" --log "$dir/log/$name.log" --port-file "$dir/$name.port" \
    --lifetime 3600 </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/$name.pid"
}

[ $# -eq 2 ] || { sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
case "$1" in
  start) start "$2" ;;
  stop) [ ! -d "$2" ] || stop "$(cd "$2" && pwd)" ;;
  *) die "unknown command: $1" ;;
esac
