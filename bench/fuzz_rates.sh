#!/bin/bash
# How fast each libFuzzer target runs: builds the fuzz preset, runs every
# target for a while from its seed corpus and prints one line per target with
# the inputs per second of libFuzzer's final statistics.
#
#   bench/fuzz_rates.sh [build-dir] [seconds]      (defaults: build/fuzz, 10)
#
# New inputs go to a scratch folder that is removed afterwards; the seed
# corpora are only read. A target that crashes is reported and makes the
# script fail.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${1:-$ROOT/build/fuzz}
mkdir -p "$BUILD_DIR" && BUILD_DIR=$(cd "$BUILD_DIR" && pwd)
SECONDS_EACH=${2:-10}
TARGETS=(fuzz_password_decode fuzz_command_line fuzz_registry_settings fuzz_pop3_poll
  fuzz_poll_memory fuzz_letter_summary
  fuzz_mail_program fuzz_version_file)

die() { echo "fuzz_rates: $*" >&2; exit 1; }
[[ "$SECONDS_EACH" =~ ^[1-9][0-9]*$ ]] || die "seconds must be a positive number"

echo "== building the fuzz targets in $BUILD_DIR" >&2
cmake --preset fuzz -S "$ROOT" -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j2 --target fuzz_targets >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
for target in "${TARGETS[@]}"; do
  mkdir -p "$scratch/$target"
  log="$scratch/$target.log"
  if ! (cd "$scratch" && "$BUILD_DIR/tests/fuzz/$target" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 \
          -print_final_stats=1 -artifact_prefix="$scratch/" "$scratch/$target" \
          "$ROOT/tests/fuzz/corpus/$target" >"$log" 2>&1); then
    echo "$target: FAILED (log follows)"
    tail -n 30 "$log"
    failed=1
    continue
  fi
  rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  printf '%-24s %8s inputs/s  (%s inputs in %s s)\n' "$target" "${rate:-?}" "${runs:-?}" "$SECONDS_EACH"
done
exit "$failed"
