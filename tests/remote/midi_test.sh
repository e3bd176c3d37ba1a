#!/usr/bin/env bash
# MIDI controllers with the program itself: its card on a private JACK
# server (the dummy driver), a test controller (morva-midi-probe) on the
# card's MIDI ports. Each check looks at what the window shows (read back
# with the command line), what the driver received (the program's trace)
# and what the controller hears back.
#   midi_test.sh MORVA-MANAGER MORVA-MIDI-PROBE
# Exits 77 (skipped) where the X server or jackd is missing.
set -euo pipefail
program=$(realpath "$1")
probe=$(realpath "$2")
for tool in Xvfb openbox xdotool xdpyinfo xprop jackd jack_lsp; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
app="" server=""
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/../desktop/lib.sh"
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT
private_session 150

# A server name of this run's own, its semaphores left by a killed one gone.
export JACK_DEFAULT_SERVER="morva-midi-$$"
rm -f /dev/shm/jack_sem."$(id -u)"_"$JACK_DEFAULT_SERVER"_*
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 128 >"$work/server.log" 2>&1 &
server=$!
require "the private JACK server starts" wait_for jack_lsp
trace="$work/trace.txt"
: >"$trace"

mm() { "${no_locale[@]}" "$program" "$@"; }
start_program() {
  MORVA_SIM="cards=1 audio=jack" MORVA_TRACE="$trace" "${no_locale[@]}" "$program" \
    >>"$work/program.log" 2>&1 &
  app=$!
  require "the card joins the server with its MIDI ports" wait_for has_port "Morva 1:MIDI In"
  require "the program answers" wait_for mm get /window/control/open
}
has_port() { jack_lsp 2>/dev/null | grep -qx "$1"; }
# play LISTEN_MS MESSAGE...: what the controller hears meanwhile.
play() { "$probe" "Morva 1:MIDI In" "Morva 1:MIDI Out" "$@" 2>>"$work/probe.log"; }
hears() { grep -qx "$1" "$work/heard"; }

start_program
mm show inputs >/dev/null
mm show outputs >/dev/null

play 500 B0017F >"$work/heard"
check "a control change moves the first input fader to the top" \
  [ "$(mm get /card/1/inputs/1/fader)" = "22.5" ]
check "  ... the driver got both gains of the linked pair" grep -q "0x4033 0xFFFEFFFE" "$trace"
check "  ... and the controller hears both faders back" bash -c "grep -qx B0017F '$work/heard' && grep -qx B0027F '$work/heard'"

"$probe" "Morva 1:MIDI In" "Morva 1:MIDI Out" 1000 >"$work/heard" 2>>"$work/probe.log" &
listener=$!
sleep 0.3
mm set /card/1/outputs/3/mute on >/dev/null
wait "$listener"
check "a change from the command line reaches the controller's button" hears 92027F
check "  ... as the driver muted the channel" grep -q "^msg out h[0-9]* 0x4002 0x0000FFFF" "$trace"

play 300 92847F 9284 >"$work/heard"
check "what is no MIDI message is dropped with a line" \
  wait_for grep -q "MIDI: a message that is none was dropped" "$work/program.log"

check "learn mode starts" [ "$(mm learn /card/1/outputs/2/mute | wc -l)" = 1 ]
play 300 B5147F >"$work/heard"
check "  ... the knob moved is taken, not worked" [ "$(mm get /card/1/outputs/2/mute)" = off ]
play 300 B5147F >"$work/heard"
check "  ... and then works the mute" [ "$(mm get /card/1/outputs/2/mute)" = on ]
check "  ... listed" bash -c "'$program' learned | grep -qx '1.6.cc.20 /card/1/outputs/2/mute'"

kill -TERM "$app"
wait "$app" || true
app=""
start_program
mm show outputs >/dev/null
play 300 B51400 >"$work/heard"
check "after a restart the learned knob still works the mute" \
  [ "$(mm get /card/1/outputs/2/mute)" = off ]
check "  ... and the controller hears it" hears B51400
kill -TERM "$app"
check "the program ends with status 0" ended_with_status_zero
finish
