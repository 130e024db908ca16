#!/bin/bash
# Builds everything and runs every test: the host tests plainly and under
# AddressSanitizer, UndefinedBehaviorSanitizer and ThreadSanitizer, the fuzz
# targets for a short while each, then vestun.exe with the platform
# conformance tests and the end-to-end tests under Wine. Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
broken=()

# Configures, builds and tests one preset; adds its counts to the totals.
run_preset() {
  local preset=$1
  echo "=== $preset ==="
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    broken+=("$preset: build")
    failed=$((failed + 1))
    return
  fi
  local log="build/$preset/ctest.log"
  ctest --preset "$preset" -j "$jobs" --timeout 600 2>&1 | tee "$log"
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    broken+=("$preset: no tests ran")
    failed=$((failed + 1))
    return
  fi
  local fails total
  fails=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
  passed=$((passed + total - fails))
  failed=$((failed + fails))
  [ "$fails" -eq 0 ] || broken+=("$preset: $fails failed")
}

for preset in host asan ubsan tsan fuzz win32; do
  run_preset "$preset"
done

echo
if [ ${#broken[@]} -gt 0 ]; then printf 'FAILED: %s\n' "${broken[@]}"; fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
