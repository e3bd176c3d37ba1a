#!/usr/bin/env bash
# [FRAMES=128] bench/audio_load.sh [PROGRAM] [SECONDS] [CARDS] [--idle]: the simulated cards on a
# private JACK server (dummy driver, 48 kHz, 128 frames, real-time mode)
# with a sine in every input, for SECONDS (default 60) with CARDS (default
# 4): xruns, the cards' share of a core, the server's DSP load and CPU. The
# server first runs as long alone: the dummy driver reports an xrun when
# its own timer wakes late, with or without clients. With --idle the cards
# are stand-ins that only clear their outputs: the control for the xruns.
# Never part of the tests; docs/PERFORMANCE.md records the figures.
set -euo pipefail
prog=${1:-build-release/bench/morva-audio-load}
seconds=${2:-60}
cards=${3:-4}
mode=${4:-}
name="morva-bench"  # a stable name: a killed server's entry is reclaimed by the next
log=$(mktemp)
# Semaphores a server of this name left behind would be taken over with
# their old counts.
rm -f /dev/shm/jack_sem."$(id -u)"_"$name"_*
jackd -n "$name" -d dummy -r 48000 -p "${FRAMES:-128}" >"$log" 2>&1 &
server=$!
player=""
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null || true
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -f "$log"
}
trap cleanup EXIT
export JACK_DEFAULT_SERVER="$name"
for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.05; done
ticks() { awk '{print $14 + $15}' "/proc/$server/stat"; }
xruns() { { grep -o 'XRun = [0-9]* usec' "$log" || true; } | awk '{print $3}'; }
# The cycles the server found unfinished (each ends with "Process error"
# after the clients it was waiting for), and in how many of them the
# player, upstream of every card, had not run either.
late_cycles() {
  awk '/not finished/ { late = late $0 } /Process error/ { n++; if (late ~ /player/) p++; late = "" }
       END { printf "%d (the player late too in %d)", n, p }' "$log"
}
# How late, in microseconds: count, median, largest.
late() { sort -n | awk '{v[NR] = $1} END {if (NR) printf "%d (median %d us, largest %d us)", NR, v[int((NR + 1) / 2)], v[NR]; else printf "0"}'; }
sleep 1
alone=$(xruns | wc -l)
sleep "$seconds"
echo "server alone, $seconds s: xruns $(xruns | tail -n +$((alone + 1)) | late)"
alone=$(xruns | wc -l)
"$prog" $mode "$seconds" "$cards" &
cards_pid=$!
for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -q "Morva $cards:Line In 1" && break; sleep 0.05; done
"$prog" --play $((seconds + 4)) "$cards" &
player=$!
sleep 2
before=$(ticks)
wait "$cards_pid"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "server (jackd) %.2f %% of a core\n", t / hz / s * 100 }'
echo "server with the cards: driver late $(xruns | tail -n +$((alone + 1)) | late), unfinished cycles $(late_cycles)"
