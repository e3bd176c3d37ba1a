#!/usr/bin/env bash
# Sets up, builds and runs MORVA Manager on the simulated card.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Configured as the test command configures build/, so neither rebuilds
# what the other built.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug -DMORVA_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target morva-manager
exec build/src/app/morva-manager "$@"
