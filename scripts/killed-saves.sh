#!/usr/bin/env bash
# The long killed-save trials: TRIALS kills (seeded) of a child that saves a
# four-card combined preset into a file of PRESETS presets, and of one that
# erases a combined preset from it; each where the folder takes new files
# (replace) and where it refuses them (the file is rewritten in place). Not
# part of the test run, which runs short versions.
#   scripts/killed-saves.sh [TRIALS] [SEED] [PRESETS]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DMORVA_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target morva-killed-saves
trials=${1:-1000}
seed=${2:-1}
presets=${3:-100}
status=0
for op in save erase; do
  for where in replace inplace; do
    build/tests/morva-killed-saves "$trials" "$seed" "$presets" "$op" "$where" || status=1
  done
done
exit $status
