#!/usr/bin/env bash
# The program itself with its cards on a private server, JACK's own and then
# PipeWire with WirePlumber, on a private X server:
#   - a mix set with the wheel on a fader and a connection made come back
#     when the program ends ("Beenden", here SIGTERM) and starts again;
#   - the server killed, the program removes its cards within two seconds,
#     waits (rejoin=1) and comes back with them, connection included, when
#     the server does.
#   program_test.sh MORVA-MANAGER MORVA-CARDS
# Exits 77 (skipped) where the X server, its tools or both audio servers are
# missing.
set -euo pipefail
program=$(realpath "$1")
cards_tool=$(realpath "$2")
for tool in Xvfb openbox xdotool xwininfo xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
servers=()
command -v jackd >/dev/null && command -v jack_lsp >/dev/null && servers+=(jackd)
pipewire_here=1
for tool in pipewire wireplumber pw-jack dbus-daemon; do
  command -v "$tool" >/dev/null || { echo "PipeWire: $tool is not installed, not tried"; pipewire_here=0; }
done
[ "$pipewire_here" = 1 ] && servers+=(pipewire)
[ ${#servers[@]} -gt 0 ] || { echo "skipped: neither jackd nor PipeWire is installed"; exit 77; }

work=$(mktemp -d)
app="" server_pids=() bus_pid=""
here=$(dirname "$0")
source "$here/../../scripts/lib/private_desktop.sh"
stop_server() {  # stop_server [SIGNAL]: TERM unless told (KILL: as a crash)
  local pid
  for pid in "${server_pids[@]}"; do kill "-${1:-TERM}" "$pid" 2>/dev/null || true; done
  for pid in "${server_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  server_pids=()
}
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  stop_server
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT
source "$here/../desktop/lib.sh"
private_session 170
trace="$work/trace.txt"
store="$XDG_CONFIG_HOME/morva"

# ---- the servers, each under names and folders of this run's own. JACK's
# servers share a registry of eight names; a server killed outright leaves
# its name there until a server of the same name takes it back, so the
# name is the first of a few that no running server holds.
jack_name=""
for slot in 0 1 2 3; do
  JACK_DEFAULT_SERVER="morva-program-$slot" jack_lsp >/dev/null 2>&1 && continue
  jack_name="morva-program-$slot"
  break
done
start_server() {  # start_server jackd|pipewire
  if [ "$1" = jackd ]; then
    [ -n "$jack_name" ] || return 1
    rm -f /dev/shm/jack_sem."$(id -u)"_"$jack_name"_*
    jackd -n "$jack_name" -d dummy -r 48000 -p 128 >>"$work/server.log" 2>&1 &
    server_pids=($!)
  else
    pipewire >>"$work/server.log" 2>&1 &
    server_pids=($!)
    wait_for run jack_lsp || return 1
    wireplumber >>"$work/server.log" 2>&1 &
    server_pids+=($!)
  fi
  wait_for run jack_lsp
}
run() {  # a JACK tool or the program as a client of the server being tried
  if [ "$kind" = pipewire ]; then pw-jack "$@"; else "$@"; fi
}
wait_long() {  # wait_long COMMAND...: up to 30 s, for a start on a busy machine
  for _ in $(seq 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}
has_port() { run jack_lsp 2>/dev/null | grep -x "$1" >/dev/null; }
linked() { run jack_lsp -c "$1" 2>/dev/null | grep -x "   $2" >/dev/null; }
remembered() { grep -qF "$1"$'\t'"$2" "$store/Morva.jack" 2>/dev/null; }
removals() { grep -c '^tray delete' "$trace" 2>/dev/null || true; }
more_removals_than() { [ "$(removals)" -gt "$1" ]; }
last_volume() { grep ' 0x0011 ' "$trace" | tail -1 | awk '{print $NF}'; }
ended() { ! kill -0 "$app" 2>/dev/null; }
start_program() {  # in the background, app its own process (not a subshell's)
  local prefix=()
  [ "$kind" = pipewire ] && prefix=(pw-jack)
  MORVA_SIM="cards=1 audio=jack rejoin=1" MORVA_TRACE="$trace" "${prefix[@]}" "$program" \
    >>"$work/program.log" 2>&1 &
  app=$!
  require "the program's card joins the server ($kind)" wait_long has_port "Morva 1:Record 1"
}
end_program() {  # as the session's end does: "Beenden"
  kill -TERM "$app"
  check "the program ends" wait_for ended
  wait "$app" 2>/dev/null || true
  app=""
}

for kind in "${servers[@]}"; do
  echo "---- $kind"
  rm -f "$store"/* "$trace"
  [ "$kind" = jackd ] && export JACK_DEFAULT_SERVER="$jack_name"
  if [ "$kind" = pipewire ]; then
    unset JACK_DEFAULT_SERVER
    mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=${bus[0]}
    bus_pid=${bus[1]}
  fi
  require "the private $kind server starts" start_server "$kind"

  # The analog outputs window opens with the control window.
  printf '[Morva]\r\nchkAnalogOutputs=1\r\n' >"$store/Vozururo.ini"
  start_program
  MORVA_SIM="cards=1" "$program" >>"$work/program.log" 2>&1  # shows the control window
  require "the analog outputs window opens" wait_for shown "Analog Outputs"
  run jack_connect "Morva 1:Record 1" "Morva 1:Playback 1"
  check "a connection made is remembered" wait_for remembered "Morva 1:Record 1" "Morva 1:Playback 1"
  # The first fader of pair 3/4, its groove from (96, 190) to (96, 302).
  read -r ox oy _ _ < <(geometry "$(window "Analog Outputs")")
  xdotool mousemove $((ox + 96)) $((oy + 250))
  for _ in $(seq 20); do xdotool click 4; done
  wait_for grep -q ' 0x0011 ' "$trace" || true
  sleep 0.3
  volume=$(last_volume)
  end_program
  check "the mix is stored when the program ends ($volume)" \
    bash -c "'$cards_tool' | grep -q 'card 0 pair 1 .*volume=$volume '"

  start_program
  check "the connection is made again at the start" wait_for linked "Morva 1:Record 1" "Morva 1:Playback 1"
  before=$(removals)
  killed=$(date +%s%N)
  stop_server KILL
  wait_for more_removals_than "$before" || true
  took=$((($(date +%s%N) - killed) / 1000000))
  check "the cards are removed within 2 s of the kill ($took ms)" [ "$took" -lt 2000 ]
  check "the program waits for the server" wait_for grep -q "waiting for the audio server" "$work/program.log"
  require "the $kind server starts again" start_server "$kind"
  check "the program comes back with its card" wait_long has_port "Morva 1:Record 1"
  check "and with its connection" wait_for linked "Morva 1:Record 1" "Morva 1:Playback 1"
  end_program
  stop_server
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  bus_pid=""
done
finish
