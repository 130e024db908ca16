#!/bin/bash
# A private Dovecot on 127.0.0.1 for tests and the benchmark: its own
# configuration, users, mail, sockets and logs under one directory, so any
# number of them can run side by side and nothing system-wide is touched.
#
#   dovecot.sh start DIR [--tls PKI_DIR]       prints the POP3 port (also in DIR/port)
#   dovecot.sh stop DIR
#   dovecot.sh adduser DIR USER PASSWORD       before or after start
#   dovecot.sh deliver DIR USER FILE [DATE]    through Dovecot's LMTP
#   dovecot.sh deliver-many DIR USER COUNT [DATE]
#                     (VESTUN_HEADER_BYTES=N: each with about N bytes more
#                     of relays' Received and DKIM-Signature headers)
#   dovecot.sh drop DIR USER FILE              straight into Maildir/new
#
# DATE is "YYYY-MM-DD hh:mm:ss" in UTC: the delivery then runs under faketime,
# so the Received header Dovecot writes carries that date.
#
# --tls adds port 995 with the certificates test_pki.sh made in PKI_DIR:
# POP3 over TLS on 127.0.0.1 (localhost.pem), 127.0.0.2 (stranger.pem),
# 127.0.0.3 (expired.pem), 127.0.0.5 (address-chain.pem), 127.0.0.6
# (client-only.pem), 127.0.0.7 (future.pem) and 127.0.0.8 (orphan.pem), and
# plain POP3 on 127.0.0.4. Only one such Dovecot can run at a time.
#
# Must run as root: Dovecot's master wants root to switch to the mail owner,
# which it refuses to serve mail as root.
set -euo pipefail

# dovecot and useradd live in /usr/sbin, which not every PATH holds.
export PATH="$PATH:/usr/sbin:/sbin"
readonly MAIL_OWNER=vestunmail
readonly DOVECOT_LIBEXEC=/usr/lib/dovecot
readonly WAIT_SECONDS=15
# Where --tls listens on port 995.
readonly TLS_ADDRESSES="127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8"

die() { echo "dovecot.sh: $*" >&2; exit 1; }

usage() {
  sed -n '5,19p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

need_dir() {
  [ -n "${1:-}" ] || usage
  DIR=$(cd "$1" 2>/dev/null && pwd) || die "no such directory: $1"
  [ -f "$DIR/dovecot.conf" ] || die "$DIR has no dovecot.conf (run start or adduser first)"
}

check_user_name() {
  # The name becomes a path component and a passwd-file field.
  [[ "$1" =~ ^[A-Za-z0-9._@-]+$ ]] || die "unusable user name: '$1'"
}

ensure_mail_owner() {
  command -v dovecot >/dev/null || die "dovecot is not installed (tools/setup.sh installs it)"
  [ "$(id -u)" = 0 ] || die "must run as root"
  if ! id "$MAIL_OWNER" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$MAIL_OWNER" \
      || id "$MAIL_OWNER" >/dev/null 2>&1 || die "cannot create the mail owner $MAIL_OWNER"
  fi
}

free_port() {
  python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

# Lays out DIR and writes the configuration; the port and the certificates
# are filled in by start. Idempotent, so adduser may come first.
prepare() {
  local dir=$1 port=${2:-0} pki=${3:-}
  ensure_mail_owner
  mkdir -p "$dir"/{mail,run,log,state}
  # Login and auth processes run as Dovecot's unprivileged users and must
  # reach the sockets and the password file under DIR.
  chmod 755 "$dir" "$dir/run" "$dir/log" "$dir/state"
  chown "$MAIL_OWNER:$MAIL_OWNER" "$dir/mail"
  touch "$dir/passwd"
  chmod 644 "$dir/passwd"
  cat >"$dir/dovecot.conf" <<EOF
# Written by dovecot.sh; rewritten on every start.
protocols = pop3 lmtp
listen = 127.0.0.1
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/log/dovecot.log
info_log_path = $dir/log/dovecot.log
$(ssl_settings "$pki")
auth_mechanisms = plain
disable_plaintext_auth = no
auth_verbose = yes
# Tests try wrong passwords on purpose; Dovecot's brute-force brakes would
# hold every later login from 127.0.0.1 for seconds.
auth_failure_delay = 0
mail_location = maildir:$dir/mail/%u
mail_uid = $MAIL_OWNER
mail_gid = $MAIL_OWNER
first_valid_uid = 1
# Test mail needs no durability, and fsyncs would dominate bulk delivery.
mail_fsync = never
maildir_very_dirty_syncs = yes
pop3_uidl_format = %f
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $dir/passwd
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
$(tls_listeners "$pki")
}
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service lmtp {
  unix_listener lmtp {
    mode = 0600
  }
}
EOF
}

ssl_settings() {
  local pki=$1
  if [ -z "$pki" ]; then
    echo "ssl = no"
    return
  fi
  cat <<EOF
ssl = yes
ssl_min_protocol = TLSv1.2
ssl_cert = <$pki/localhost.pem
ssl_key = <$pki/localhost.key
EOF
  # Each address of port 995 but .1 and .4 has a certificate of its own: the
  # certificate file (as the server sends it) and its key.
  local address cert key
  while read -r address cert key; do
    printf 'local 127.0.0.%s {\n  ssl_cert = <%s/%s.pem\n  ssl_key = <%s/%s.key\n}\n' \
      "$address" "$pki" "$cert" "$pki" "$key"
  done <<EOF
2 stranger stranger
3 expired expired
5 address-chain address
6 client-only client-only
7 future future
8 orphan orphan
EOF
}

tls_listeners() {
  [ -n "$1" ] || return 0
  cat <<EOF
  inet_listener pop3s {
    address = 127.0.0.1, 127.0.0.2, 127.0.0.3, 127.0.0.5, 127.0.0.6, 127.0.0.7, 127.0.0.8
    port = 995
    ssl = yes
  }
  inet_listener pop3-plain-995 {
    address = 127.0.0.4
    port = 995
    ssl = no
  }
EOF
}

# Checks PKI_DIR and that nothing holds port 995 yet; prints the directory.
tls_pki() {
  local pki name address
  pki=$(cd "$1" 2>/dev/null && pwd) || die "no such directory: $1"
  for name in localhost stranger expired address client-only future orphan; do
    [ -r "$pki/$name.pem" ] && [ -r "$pki/$name.key" ] || die "$pki lacks $name.pem or $name.key (run test_pki.sh)"
  done
  for address in $TLS_ADDRESSES; do
    ! port_open 995 "$address" || die "$address:995 is taken (another Dovecot with --tls?)"
  done
  echo "$pki"
}

master_pid() {
  local pid
  pid=$(cat "$1/run/master.pid" 2>/dev/null) || return 1
  [[ "$pid" =~ ^[0-9]+$ ]] && alive "$pid" && echo "$pid"
}

# A process that has ended may linger as a zombie; that counts as gone.
alive() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

port_open() {
  python3 - "$1" "${2:-127.0.0.1}" <<'EOF'
import socket, sys
try:
    socket.create_connection((sys.argv[2], int(sys.argv[1])), timeout=1).close()
except OSError:
    sys.exit(1)
EOF
}

cmd_start() {
  [ -n "${1:-}" ] || usage
  mkdir -p "$1"
  local dir pki=
  dir=$(cd "$1" && pwd)
  if master_pid "$dir" >/dev/null; then
    die "a Dovecot already runs in $dir (port $(cat "$dir/port" 2>/dev/null))"
  fi
  if [ $# -eq 3 ] && [ "$2" = --tls ]; then
    pki=$(tls_pki "$3")
  elif [ $# -ne 1 ]; then
    usage
  fi
  # The port is chosen before Dovecot binds it, so another process may take
  # it in between: try a few.
  local attempt port started
  for attempt in 1 2 3; do
    port=$(free_port)
    prepare "$dir" "$port" "$pki"
    rm -f "$dir/run/master.pid"
    if ! dovecot -c "$dir/dovecot.conf" 2>>"$dir/log/start.err"; then
      grep -q 'Address already in use' "$dir/log/start.err" "$dir/log/dovecot.log" 2>/dev/null && continue
      die "dovecot did not start: $(tail -n 5 "$dir/log/start.err" "$dir/log/dovecot.log" 2>/dev/null)"
    fi
    started=$SECONDS
    while [ $((SECONDS - started)) -lt $WAIT_SECONDS ]; do
      if port_open "$port"; then
        echo "$port" >"$dir/port"
        echo "$port"
        return 0
      fi
      # The pid file may lag the fork a little; after that, no master means
      # it has given up, and the log says why.
      if ! master_pid "$dir" >/dev/null && [ $((SECONDS - started)) -ge 1 ]; then
        break
      fi
      sleep 0.05
    done
    if grep -q 'Address already in use' "$dir/log/dovecot.log" 2>/dev/null; then
      cmd_stop "$dir" 2>/dev/null || true
      continue
    fi
    cmd_stop "$dir" 2>/dev/null || true
    die "dovecot did not accept connections on 127.0.0.1:$port within ${WAIT_SECONDS}s; log: $(tail -n 5 "$dir/log/dovecot.log" 2>/dev/null)"
  done
  die "no free port found for dovecot in $dir"
}

cmd_stop() {
  [ -n "${1:-}" ] || usage
  local dir pid deadline
  dir=$(cd "$1" 2>/dev/null && pwd) || die "no such directory: $1"
  pid=$(master_pid "$dir") || return 0
  # The master ends its children before itself.
  kill -TERM "$pid" 2>/dev/null || true
  deadline=$((SECONDS + WAIT_SECONDS))
  while alive "$pid"; do
    if [ $SECONDS -ge $deadline ]; then
      kill -KILL "$pid" 2>/dev/null || true
      die "dovecot $pid in $dir did not stop within ${WAIT_SECONDS}s; killed"
    fi
    sleep 0.05
  done
  rm -f "$dir/run/master.pid"
}

cmd_adduser() {
  [ $# -eq 3 ] || usage
  local dir user=$2 password=$3
  check_user_name "$user"
  [[ "$password" != *:* && "$password" != *$'\n'* ]] || die "a password may not hold ':' or a line break"
  mkdir -p "$1"
  dir=$(cd "$1" && pwd)
  [ -f "$dir/dovecot.conf" ] || prepare "$dir"
  local others
  others=$(grep -v "^$user:" "$dir/passwd" || true)
  { [ -n "$others" ] && printf '%s\n' "$others"; printf '%s:{PLAIN}%s::::::\n' "$user" "$password"; } \
    >"$dir/passwd.new"
  chmod 644 "$dir/passwd.new"
  mv "$dir/passwd.new" "$dir/passwd"
  maildir_of "$dir" "$user" >/dev/null
}

# Creates the user's Maildir owned by the mail owner, so files dropped before
# the first delivery are served too; prints its path.
maildir_of() {
  local box="$1/mail/$2"
  if [ ! -d "$box/new" ]; then
    mkdir -p "$box"/{cur,new,tmp}
    chown -R "$MAIL_OWNER:$MAIL_OWNER" "$box"
    chmod -R 700 "$box"
  fi
  echo "$box"
}

faketime_library() {
  local found
  found=$(ls /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
  [ -n "$found" ] || die "libfaketime.so.1 not found (is faketime installed?)"
  echo "$found"
}

check_date() {
  [[ "$1" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] \
    || die "DATE must be 'YYYY-MM-DD hh:mm:ss' (UTC), not '$1'"
}

# An LMTP client: one session, any number of transactions, over either the
# running Dovecot's socket or a standalone lmtp on the other end of a
# socket pair (standalone lmtp panics when its output is a plain file).
read -r -d '' LMTP_CLIENT <<'EOF' || true
import os, socket, subprocess, sys, time

mode, target, user, source = sys.argv[1:5]
command = sys.argv[5:]

if mode == "socket":
    conn = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    conn.settimeout(30)
    conn.connect(target)
    child = None
else:
    conn, theirs = socket.socketpair()
    conn.settimeout(30)
    child = subprocess.Popen(command, stdin=theirs, stdout=theirs, close_fds=True)
    theirs.close()

reader = conn.makefile("rb")

def reply():
    """Reads one possibly multi-line reply; returns its last line."""
    while True:
        line = reader.readline()
        if not line:
            raise SystemExit("lmtp closed the connection")
        if line[3:4] != b"-":
            return line.decode("latin-1").rstrip()

def expect(prefix, what):
    line = reply()
    if not line.startswith(prefix):
        raise SystemExit("lmtp refused %s: %s" % (what, line))

def dot_stuffed(data):
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return b"".join((b"." + l if l.startswith(b".") else l) + b"\r\n" for l in lines)

def relays():
    """About VESTUN_HEADER_BYTES of the headers relays and signers add (0: none)."""
    lines = b""
    hop = 0
    while len(lines) < int(os.environ.get("VESTUN_HEADER_BYTES", "0")):
        hop += 1
        lines += (b"Received: from relay%d.example.net (relay%d.example.net [192.0.2.%d])\r\n"
                  b"\tby relay%d.example.net with ESMTPS id R%dX; Fri, 2 Jan 2026 03:04:05 +0000\r\n"
                  % (hop, hop, hop % 250, hop + 1, hop))
        lines += b"DKIM-Signature: v=1; a=rsa-sha256; d=example.net; s=s%d;\r\n" % hop
        lines += b"".join(b"\tb=" + b"Zm9vYmFy" * 8 + b"\r\n" for _ in range(4))
    return lines

def messages():
    if source.startswith("count:"):
        count = int(source[6:])
        for n in range(1, count + 1):
            yield (b"From: Bench Sender <sender@example.org>\r\n"
                   b"To: %s@localhost\r\n"
                   b"Subject: Message %d\r\n"
                   b"Message-ID: <bench-%d@example.org>\r\n"
                   b"%s\r\n"
                   b"Body of message %d.\r\n" % (user.encode(), n, n, relays(), n))
    else:
        with open(source, "rb") as f:
            yield f.read()

try:
    expect("220", "the session")
    conn.sendall(b"LHLO localhost\r\n")
    expect("250", "LHLO")
    delivered = 0
    for message in messages():
        # Pipelined: one round trip for the envelope, one for the data.
        conn.sendall(b"MAIL FROM:<sender@example.org>\r\nRCPT TO:<%s>\r\nDATA\r\n" % user.encode())
        expect("250", "MAIL FROM")
        expect("250", "RCPT TO " + user)
        expect("354", "DATA")
        conn.sendall(dot_stuffed(message) + b".\r\n")
        expect("250", "the message")
        delivered += 1
    conn.sendall(b"QUIT\r\n")
    try:
        reply()
    except (SystemExit, OSError):
        pass
finally:
    conn.close()
    if child is not None:
        try:
            child.wait(timeout=10)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
EOF

# Delivers through the running Dovecot's LMTP socket, or, with a date, through
# a standalone lmtp under faketime: the master's own lmtp processes keep the
# real clock.
lmtp_session() {
  local dir=$1 user=$2 source=$3 date=${4:-}
  check_user_name "$user"
  grep -q "^$user:" "$dir/passwd" || die "no user $user in $dir (adduser first)"
  maildir_of "$dir" "$user" >/dev/null
  if [ -z "$date" ]; then
    master_pid "$dir" >/dev/null || die "dovecot is not running in $dir (start first, or give a DATE)"
    timeout 600 python3 -c "$LMTP_CLIENT" socket "$dir/run/lmtp" "$user" "$source"
  else
    check_date "$date"
    # The standalone lmtp still asks the running master's auth for the user.
    master_pid "$dir" >/dev/null || die "dovecot is not running in $dir (start first)"
    # The clock starts at DATE when lmtp starts (libfaketime's "@"), so the
    # stamp is DATE to the second unless the delivery itself takes a second;
    # faketime's wrapper would start it earlier, under the client. Dovecot
    # clears its environment unless told to keep these.
    timeout 600 python3 -c "$LMTP_CLIENT" spawn - "$user" "$source" \
      env TZ=UTC LD_PRELOAD="$(faketime_library)" FAKETIME="@$date" \
      DOVECOT_PRESERVE_ENVS="TZ LD_PRELOAD FAKETIME" \
      "$DOVECOT_LIBEXEC/lmtp" -c "$dir/dovecot.conf" 2>>"$dir/log/lmtp-standalone.log"
  fi
}

cmd_deliver() {
  [ $# -eq 3 ] || [ $# -eq 4 ] || usage
  need_dir "$1"
  [ -r "$3" ] || die "cannot read $3"
  lmtp_session "$DIR" "$2" "$(cd "$(dirname "$3")" && pwd)/$(basename "$3")" "${4:-}"
}

# Dovecot's LMTP gets slower with every message already in the box (each
# delivery reopens the box and rereads its index), so 10,000 deliveries take
# minutes. deliver-many therefore delivers the first message through LMTP and
# writes the rest straight into Maildir/new as copies of it: the Received
# header is the one this Dovecot wrote, with a fresh LMTP id in each copy.
read -r -d '' BULK_WRITER <<'EOF_PY' || true
import os, pwd, random, re, string, sys

box, template_name, count, owner = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
entry = pwd.getpwnam(owner)
with open(os.path.join(box, "new", template_name), "rb") as f:
    template = f.read()
match = re.match(r"^(\d+)\.(.*?)(,S=\d+)?(,W=\d+)?$", template_name)
seconds, rest = int(match.group(1)), match.group(2)
host = rest.rsplit(".", 1)[-1] if "." in rest else "localhost"
id_pattern = re.compile(rb"(\n\tid )([A-Za-z0-9+/]+)")
letters = (string.ascii_letters + string.digits + "+/").encode()

for n in range(2, count + 1):
    text = template.replace(b"Subject: Message 1\n", b"Subject: Message %d\n" % n)
    text = text.replace(b"<bench-1@example.org>", b"<bench-%d@example.org>" % n)
    text = text.replace(b"Body of message 1.", b"Body of message %d." % n)
    fresh = bytes(random.choice(letters) for _ in range(22))
    text = id_pattern.sub(lambda m: m.group(1) + fresh, text, count=1)
    # Later names sort after earlier ones, which keeps POP3 numbers in order.
    name = "%d.M%dP%dQ%d.%s,S=%d,W=%d" % (seconds + n, n, os.getpid(), n, host,
                                           len(text), len(text) + text.count(b"\n"))
    scratch = os.path.join(box, "tmp", name)
    with open(scratch, "wb") as f:
        f.write(text)
    os.chown(scratch, entry.pw_uid, entry.pw_gid)
    os.chmod(scratch, 0o600)
    os.rename(scratch, os.path.join(box, "new", name))
EOF_PY

cmd_deliver_many() {
  [ $# -eq 3 ] || [ $# -eq 4 ] || usage
  need_dir "$1"
  local user=$2 count=$3 box before template
  [[ "$count" =~ ^[0-9]+$ ]] || die "COUNT must be a number, not '$count'"
  [ "$count" -gt 0 ] || return 0
  check_user_name "$user"
  box=$(maildir_of "$DIR" "$user")
  before=$(ls "$box/new")
  lmtp_session "$DIR" "$user" "count:1" "${4:-}"
  template=$(comm -13 <(printf '%s\n' "$before" | sort) <(ls "$box/new" | sort) | head -n 1)
  [ -n "$template" ] || die "the LMTP delivery to $user left no new file in $box/new"
  python3 -c "$BULK_WRITER" "$box" "$template" "$count" "$MAIL_OWNER"
}

cmd_drop() {
  [ $# -eq 3 ] || usage
  need_dir "$1"
  local user=$2 file=$3 box name
  check_user_name "$user"
  [ -r "$file" ] || die "cannot read $file"
  box=$(maildir_of "$DIR" "$user")
  # Maildir's unique name: time, a per-drop counter and our pid; the file is
  # written under tmp and renamed into new, as deliveries do.
  name="$(date +%s).M$(date +%N)P$$R${RANDOM}.vestun"
  cp "$file" "$box/tmp/$name"
  chown "$MAIL_OWNER:$MAIL_OWNER" "$box/tmp/$name"
  chmod 600 "$box/tmp/$name"
  mv "$box/tmp/$name" "$box/new/$name"
}

main() {
  [ $# -ge 1 ] || usage
  local command=$1
  shift
  case "$command" in
    start) cmd_start "$@" ;;
    stop) [ $# -eq 1 ] || usage; cmd_stop "$1" ;;
    adduser) cmd_adduser "$@" ;;
    deliver) cmd_deliver "$@" ;;
    deliver-many) cmd_deliver_many "$@" ;;
    drop) cmd_drop "$@" ;;
    *) usage ;;
  esac
}

main "$@"
