#!/usr/bin/env bash
# Builds the Release configuration and measures: the program on a private
# X server with four cards and with one (CPU of the program and the X
# server, memory, start to tray), the headless meter pipeline (CPU time and
# instructions per second of virtual time), the settings file store and
# four cards on a private JACK server; a burst of control changes from
# outside (OSC).
# Never part of the tests; docs/PERFORMANCE.md records the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# A private X server with a window manager, and callgrind.
need=()
for pkg in valgrind xvfb openbox xdotool x11-utils; do dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg"); done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DMORVA_BENCH=ON >/dev/null
cmake --build build-release -j "$(nproc)" --target morva-manager morva-meter-bench morva-bench \
  morva-audio-load morva-remote-burst
seconds=${1:-20}
for cards in 4 1; do bench/desktop_load.sh build-release/src/app/morva-manager "$cards" "$seconds"; done
build-release/bench/morva-meter-bench
out=$(mktemp)
valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='*MeterRun::RunFor*' \
  build-release/bench/morva-meter-bench --fixed 60 2>&1 | grep Collected
callgrind_annotate --inclusive=yes "$out" | grep -E 'PROGRAM TOTALS|SimBackend::WaveMessage' | cut -c1-60
rm -f "$out"
build-release/bench/morva-bench
bench/audio_load.sh build-release/bench/morva-audio-load "$seconds" 4
build-release/bench/morva-remote-burst "$seconds" 1000
