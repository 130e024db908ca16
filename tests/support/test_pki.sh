#!/bin/bash
# Certificates for the TLS tests, made with the openssl command in DIR:
#
#   test_pki.sh DIR
#
#   ca.pem, ca.key              "Vestun Test CA", the root the tests trust
#   localhost.pem, .key         DNS:localhost, by the test CA, valid 2019-2038
#   stranger-ca.pem, .key       a root nobody trusts
#   stranger.pem, .key          DNS:localhost, IP:127.0.0.2, by the stranger CA
#   expired.pem, .key           DNS:localhost, IP:127.0.0.3, by the test CA,
#                               valid only in 2020
#   site.pem, .key              DNS:vestun.example.org (the program's web
#                               site), by the test CA
#   intermediate.pem, .key      "Vestun Test Intermediate", by the test CA
#   address.pem, .key           IP:127.0.0.5 only, by the intermediate;
#                               address-chain.pem holds both, as a server sends them
#   client-only.pem, .key       DNS:localhost, IP:127.0.0.6, by the test CA, for
#                               client authentication only
#   future.pem, .key            DNS:localhost, IP:127.0.0.7, by the test CA,
#                               valid only in 2037
#   orphan.pem, .key            DNS:localhost, IP:127.0.0.8, by an intermediate
#                               that no server sends
#
#   test_pki.sh DIR --fetched NAME URL
#
#   NAME.pem, .key              DNS:localhost, by the intermediate of orphan.pem,
#                               which is to be fetched from URL (the
#                               certificate's issuer address); the intermediate
#                               itself as lost-intermediate.der, to serve there
#
# The first form does nothing when every file is there already. Everything
# but the expired and future certificates is valid from 2019 for twenty
# years: tests that pin the clock to another date still find them valid, and
# those two lie within their issuer's validity, so a client sees only their
# own dates.
set -euo pipefail

die() { echo "test_pki.sh: $*" >&2; exit 1; }

[ $# -eq 1 ] || { [ $# -eq 4 ] && [ "$2" = --fetched ]; } || { sed -n '2,35p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
mkdir -p "$1"
DIR=$(cd "$1" && pwd)
readonly FILES="ca stranger-ca localhost stranger expired intermediate lost-intermediate address client-only future orphan site"

complete() {
  local name
  for name in $FILES; do
    [ -s "$DIR/$name.pem" ] && [ -s "$DIR/$name.key" ] || return 1
  done
}

[ $# -eq 1 ] && complete && exit 0
command -v openssl >/dev/null || die "openssl is not installed (tools/setup.sh installs it)"
FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1 2>/dev/null | head -n 1 || true)
[ -n "$FAKETIME_LIB" ] || die "libfaketime is not installed (tools/setup.sh installs faketime)"

# Runs a command with the clock at AT. The library itself, not the faketime
# wrapper: the wrapper's named semaphore collides with one a dead process of
# the same pid left behind, and then the command fails.
at_time() {
  local at=$1
  shift
  env -u FAKETIME_SHARED LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@$at" "$@"
}

# A root: self-signed, allowed to sign, for SUBJECT; AT pins the clock when set.
make_ca() {
  local name=$1 subject=$2 at=$3
  at_time "$at" openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 7300 \
    -subj "/CN=$subject" -keyout "$DIR/$name.key" -out "$DIR/$name.pem" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

# A certificate for SUBJECT with the EXTENSIONS, signed by ISSUER, made at
# AT and valid for DAYS.
sign() {
  local name=$1 subject=$2 issuer=$3 at=$4 days=$5 extensions
  extensions=$(mktemp)
  echo "$6" >"$extensions"
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=$subject" \
    -keyout "$DIR/$name.key" -out "$DIR/$name.csr" 2>/dev/null
  at_time "$at" openssl x509 -req -sha256 -days "$days" -in "$DIR/$name.csr" \
    -CA "$DIR/$issuer.pem" -CAkey "$DIR/$issuer.key" -set_serial "0x$(openssl rand -hex 8)" \
    -extfile "$extensions" -out "$DIR/$name.pem" 2>/dev/null
  rm -f "$extensions" "$DIR/$name.csr"
}

# A CA below ISSUER.
make_intermediate() {
  sign "$1" "$2" "$3" "$SINCE" 7299 "basicConstraints = critical,CA:TRUE,pathlen:0
keyUsage = critical,keyCertSign,cRLSign"
}

# A server certificate for the names in SAN, signed by ISSUER, made at AT
# and valid for DAYS; USAGE is its extended key usage (serverAuth unless set),
# ISSUER_URL where its issuer's certificate is to be fetched (none unless set).
make_server() {
  sign "$1" localhost "$3" "$4" "$5" "basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = ${6:-serverAuth}
subjectAltName = $2${7:+
authorityInfoAccess = caIssuers;URI:$7}"
}

readonly SINCE="2019-01-01 00:00:00"
if [ $# -eq 4 ]; then
  complete || die "make the certificates of $DIR first"
  make_server "$3" "DNS:localhost" lost-intermediate "$SINCE" 7299 serverAuth "$4"
  openssl x509 -in "$DIR/lost-intermediate.pem" -outform DER -out "$DIR/lost-intermediate.der"
  chmod 644 "$DIR/$3.pem" "$DIR/lost-intermediate.der"
  chmod 600 "$DIR/$3.key"
  exit 0
fi
make_ca ca "Vestun Test CA" "$SINCE"
make_ca stranger-ca "Stranger CA" "$SINCE"
make_server localhost "DNS:localhost" ca "$SINCE" 7299
make_server stranger "DNS:localhost,IP:127.0.0.2" stranger-ca "$SINCE" 7299
make_server expired "DNS:localhost,IP:127.0.0.3" ca "2020-01-01 00:00:00" 365
make_intermediate intermediate "Vestun Test Intermediate" ca
make_intermediate lost-intermediate "Vestun Lost Intermediate" ca
make_server address "IP:127.0.0.5" intermediate "$SINCE" 7299
cat "$DIR/address.pem" "$DIR/intermediate.pem" >"$DIR/address-chain.pem"
make_server client-only "DNS:localhost,IP:127.0.0.6" ca "$SINCE" 7299 clientAuth
make_server future "DNS:localhost,IP:127.0.0.7" ca "2037-01-01 00:00:00" 365
make_server orphan "DNS:localhost,IP:127.0.0.8" lost-intermediate "$SINCE" 7299
make_server site "DNS:vestun.example.org" ca "$SINCE" 7299
chmod 644 "$DIR"/*.pem
chmod 600 "$DIR"/*.key
complete || die "some certificates were not made in $DIR"
