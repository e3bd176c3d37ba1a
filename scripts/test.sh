#!/usr/bin/env bash
# Sets up, checks the sources' formatting, builds the plain and the
# sanitizer configuration, runs every test in both, builds the Qt widgetset
# without X11, and builds the Release configuration once (so it stays
# warning-free).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check_format.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug -DMORVA_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMORVA_SANITIZE=ON -DMORVA_BENCH=OFF \
  -DMORVA_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
# The Qt widgetset builds without X11 (no libxcb, or Qt without xcb).
cmake -S . -B build-nox11 -DCMAKE_BUILD_TYPE=Debug -DMORVA_X11=OFF -DMORVA_BENCH=OFF \
  -DMORVA_WERROR=ON >/dev/null
cmake --build build-nox11 -j "$jobs" --target morva_qt
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DMORVA_BENCH=OFF -DMORVA_WERROR=ON >/dev/null
cmake --build build-release -j "$jobs"
