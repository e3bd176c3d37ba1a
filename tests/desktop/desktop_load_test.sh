#!/usr/bin/env bash
# What the program costs while nothing happens, as counts that hold on a
# busy machine: how often its threads wake (their voluntary context
# switches) and how many requests it sends the X server (counted by a
# tracing proxy between the two), on a private Xvfb with openbox:
#   - with only the tray icon (its stand-in) it does not wake at all
#     (a margin of one a second);
#   - four cards with every window open wake once per meter frame for all
#     windows together: at most 12 times a second;
#   - a card whose every channel is silent, every window open, sends no
#     request while nothing changes.
#   desktop_load_test.sh PROGRAM
# Exits 77 (skipped) where the X server or the tools are not installed.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb openbox xdotool xprop xwininfo xwd xdpyinfo xtrace; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
app="" proxy=""
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/../../scripts/lib/process_counts.sh"
source "$here/lib.sh"
cleanup() {
  [ -n "$proxy" ] && kill "$proxy" 2>/dev/null || true
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT
private_session 140
ini="$XDG_CONFIG_HOME/morva/Vozururo.ini"
log="$work/requests.txt"
require "the counting proxy starts" start_counting_proxy "$log"

run_program() {  # run_program CARDS [KNOBS]: through the proxy, in the background
  rm -f "$ini"
  [ -z "${open_all:-}" ] ||
    printf '[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n' >"$ini"
  MORVA_SIM="cards=$1 ${2:-}" DISPLAY="$proxy_display" "${no_locale[@]}" "$program" \
    >>"$work/program.log" 2>&1 &
  app=$!
  wait_for shown "Einstellungen für Morva" || return 1
  [ -z "${open_all:-}" ] && return 0
  # A second start shows the control window, which reopens the others.
  MORVA_SIM="cards=$1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
  for w in Morva "${windows[@]}"; do wait_for shown "$w" || return 1; done
}
stop_program() {
  kill -TERM "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=""
}
# measure SECONDS: sets woke (a second) and sent (requests in all) over the
# given seconds, once the program had 3 s to settle.
measure() {
  local w0 w1 r0 r1
  sleep 3
  w0=$(wakeups "$app") r0=$(x_requests "$log")
  sleep "$1"
  w1=$(wakeups "$app") r1=$(x_requests "$log")
  woke=$(awk -v n=$((w1 - w0)) -v s="$1" 'BEGIN {printf "%.1f", n / s}')
  sent=$((r1 - r0))
  echo "     $((w1 - w0)) wake-ups in $1 s ($woke a second), $sent X requests"
}
at_most() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(a <= b)}'; }

open_all=""
require "the program starts with only its tray icon" run_program 1
measure 10
check "with only the tray icon the program does not wake (at most 1 a second)" at_most "$woke" 1
check "... nor send the X server anything" test "$sent" -eq 0
stop_program

open_all=1
require "four cards start with every window open" run_program 4
measure 5
check "four cards with every window open wake at most 12 times a second" at_most "$woke" 12
stop_program

silent=""
for side in in out; do
  for ch in 0 1 2 3 4 5 6 7 8 9; do silent+=" level=$side,0,$ch,0"; done
done
require "a silent card starts with every window open" run_program 1 "$silent"
measure 5
check "a silent card sends the X server no request while nothing changes" test "$sent" -eq 0
stop_program

finish
