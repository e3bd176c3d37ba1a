#!/usr/bin/env bash
# Runs every golden scenario under valgrind memcheck and fails on any error
# or leak. Not part of the tests (it takes minutes).
set -euo pipefail
cd "$(dirname "$0")/.."
dpkg -s valgrind >/dev/null 2>&1 || {
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq valgrind
}
cmake -S . -B build -DMORVA_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target morva-scenario
runner=build/src/app/morva-scenario
failed=0 count=0
for scn in tests/scenarios/*.scn; do
  count=$((count + 1))
  log=build/memcheck-$(basename "$scn" .scn).log
  rc=0
  valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --log-file="$log" \
    "$runner" "$scn" >/dev/null 2>&1 || rc=$?
  # Status 2 is the runner's own answer to a script with an error line;
  # anything valgrind found is in the log.
  if { [ "$rc" -ne 0 ] && [ "$rc" -ne 2 ]; } || [ -s "$log" ]; then
    failed=$((failed + 1))
    echo "memcheck: $scn (status $rc, see $log)"
  fi
done
echo "memcheck: $count scenarios, $failed with errors or leaks"
[ "$failed" -eq 0 ]
