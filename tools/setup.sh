#!/bin/bash
# Makes a fresh Debian machine ready to build and test the program: the
# compilers, Wine, the X tools the end-to-end tests use, and the Russian
# locale that makes Windows-1251 Wine's ANSI code page. Does nothing that is
# already done, so every command may call it first.
set -euo pipefail

PACKAGES=(
  cmake make g++ googletest libgtest-dev python3 clang libclang-rt-dev openssl
  mingw-w64 wine wine64 fonts-wine libgnutls30 nsis
  xvfb xdotool x11-utils imagemagick faketime locales
  dovecot-core dovecot-pop3d dovecot-lmtpd
)

missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# Russian makes Windows-1251 Wine's ANSI code page; English (1252) is the
# Windows on which the program must speak Russian all the same.
for wanted in ru_RU en_US; do
  locale -a 2>/dev/null | grep -qi "^$wanted\.utf-\?8$" && continue
  echo "setup: generating the $wanted.UTF-8 locale"
  as_root sed -i "s/^# *$wanted.UTF-8/$wanted.UTF-8/" /etc/locale.gen
  grep -q "^$wanted.UTF-8" /etc/locale.gen || echo "$wanted.UTF-8 UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen
done
