# shellcheck shell=bash disable=SC2034  # its variables are for the scripts that source it
# What the benchmark scripts share; sourced, after ROOT is set to the tree.
#
# VESTUN_SOURCE_DIR: another source tree with the same layout, for trying
# changes to the build files. VESTUN_BENCH_BUILD_DIR: where poll_bench is
# built (default build/bench).

SOURCE_DIR=${VESTUN_SOURCE_DIR:-$ROOT}
BUILD_DIR=${VESTUN_BENCH_BUILD_DIR:-$ROOT/build/bench}
DOVECOT="$ROOT/tests/support/dovecot.sh"

die() { echo "bench: $*" >&2; exit 1; }

# Builds poll_bench (Release, VESTUN_BENCH=ON) and sets POLL_BENCH to it.
build_poll_bench() {
  echo "== building poll_bench in $BUILD_DIR"
  mkdir -p "$BUILD_DIR"
  cmake --preset host -S "$SOURCE_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DVESTUN_BENCH=ON \
    >"$BUILD_DIR/bench-configure.log" 2>&1 \
    || { cat "$BUILD_DIR/bench-configure.log" >&2; die "configuring failed"; }
  if ! cmake --build "$BUILD_DIR" --target poll_bench -j"$(nproc)" >"$BUILD_DIR/bench-build.log" 2>&1; then
    tail -n 30 "$BUILD_DIR/bench-build.log" >&2
    grep -q "No rule to make target 'poll_bench'" "$BUILD_DIR/bench-build.log" \
      && die "no poll_bench target: the top-level CMakeLists.txt needs 'if(VESTUN_BENCH) add_subdirectory(bench) endif()'"
    die "building poll_bench failed (log: $BUILD_DIR/bench-build.log)"
  fi
  POLL_BENCH="$BUILD_DIR/bench/poll_bench"
  [ -x "$POLL_BENCH" ] || die "no $POLL_BENCH after the build"
}

# field NAME LINE: the value of NAME=... in a line of figures.
field() { tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p"; }

# median VALUES: the median of comma-separated numbers.
median() { tr ',' '\n' <<<"$1" | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# bench_settings_reg PORT LOGIN SCRAMBLED [VALUE...]: the .reg file (UTF-16,
# as regedit reads it) of one plain POP3 box "Bench" on 127.0.0.1:PORT, its
# password as the program stores it, with VALUEs ("Name"=...) of its own; no
# version check, no error reports and this year's census taken, so that no
# window but the program's own comes up.
bench_settings_reg() {
  local port=$1 login=$2 password=$3
  shift 3
  {
    cat <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Tandreller\Settings]
"BoxesCount"=dword:00000001
"DoAutoCheckNewVer"=dword:00000000
"SendErrors"=dword:00000000
"LastCensusYear"=dword:0000270f

[HKEY_CURRENT_USER\Software\Tandreller\MailBoxes\1]
"BoxName"="Bench"
"PopServerName"="127.0.0.1"
"Port"=dword:$(printf %08x "$port")
"Login"="$login"
"Password"="$password"
REG
    printf '%s\n' "$@"
  } | sed 's/$/\r/' | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; }
}
