#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (plus address and
# undefined-behaviour checks) and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 60)
# The seeds in fuzz/corpus/<target>/ stay as they are; what the fuzzer finds
# goes into build-fuzz/corpus/<target>/. A crash leaves its input in
# build-fuzz/crashes/<target>/ (add it to fuzz/regressions/<target>/ once
# mended) and the script fails. Not part of the tests;
# the test run replays the corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
need=()
for pkg in clang libclang-rt-14-dev; do dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg"); done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVA_FUZZ=ON \
  -DMORVA_BENCH=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
targets=(profile devname layout script driver_answers)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"
status=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/crashes/$t" "build-fuzz/corpus/$t"
  echo "== $t (${seconds} s)"
  if ! build-fuzz/fuzz/fuzz_$t "build-fuzz/corpus/$t" "fuzz/corpus/$t" -max_total_time="$seconds" -timeout=10 \
      -max_len=4096 -artifact_prefix="build-fuzz/crashes/$t/" -print_final_stats=1 \
      2> "build-fuzz/$t.log"; then
    status=1
    echo "   crash: see build-fuzz/$t.log and build-fuzz/crashes/$t/"
  fi
  grep -E '^stat::number_of_executed_units|^stat::new_units_added|^#[0-9]+ *DONE' "build-fuzz/$t.log" || true
done
exit $status
