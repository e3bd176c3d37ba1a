#!/usr/bin/env bash
# The long fault trials: every file call of a save, an erase and a first
# open of the settings file failed in turn, once and from then on, with EIO,
# ENOSPC, EDQUOT, EROFS and short counts, over a file of 41 presets (138 KB);
# the test run runs a shorter set (FaultTrials.*). Prints the figures.
#   scripts/fault-trials.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DMORVA_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target test_settings
MORVA_FAULT_TRIALS=long build/tests/test_settings --gtest_filter='FaultTrials.*'
