#!/usr/bin/env bash
# The long killed-save trial: 1000 kills (seeded) of a child that saves a
# four-card combined preset into a file of 100 presets. Not part of the
# test run, which runs a short version.
#   scripts/killed-saves.sh [TRIALS] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DMORVA_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target morva-killed-saves
build/tests/morva-killed-saves "${1:-1000}" "${2:-1}" 100
