#!/usr/bin/env bash
# Control from outside with the real clients: the program on a private X
# server and session bus, driven by `morva-manager COMMAND`, gdbus and
# oscsend; each check looks at what the window shows (read back), what the
# driver received (the program's trace) and the feedback that comes back
# (gdbus monitor, oscdump).
#   clients_test.sh PROGRAM
# Exits 77 (skipped) where the X server, the bus or the OSC tools are missing.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb openbox xdotool xdpyinfo xprop dbus-run-session gdbus oscsend oscdump; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
if [ -z "${MORVA_REMOTE_SESSION:-}" ]; then
  MORVA_REMOTE_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
app="" dump="" monitor=""
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/../desktop/lib.sh"
cleanup() {
  for pid in "$dump" "$monitor"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT
private_session 130

# Ports of this run's own.
osc_port=$((20000 + $$ % 20000))
feedback_port=$((osc_port + 1))
printf '[OSC]\r\nPort=%s\r\n' "$osc_port" >"$XDG_CONFIG_HOME/morva/MorvaRemote.ini"
trace="$work/trace.txt"
: >"$trace"

mm() { "${no_locale[@]}" "$program" "$@"; }
status_of() { local s=0; "$@" >"$work/out" 2>"$work/err" || s=$?; echo "$s"; }
says() { grep -qF -- "$1" "$work/out" "$work/err"; }
sent() { grep -c -- "$1" "$trace" || true; }

check "without the program, a command says so (status 3)" \
  [ "$(status_of mm get /card/1/inputs/1/fader)" = 3 ]
check "  ... in words" says "MORVA Manager does not run"
check "--help lists the commands" bash -c "'$program' --help | grep -q 'load NAME \[WINDOW\]'"
check "a command that is none: status 2" [ "$(status_of mm get)" = 2 ]

MORVA_SIM="cards=2" MORVA_TRACE="$trace" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1 &
app=$!
require "the program answers" wait_for mm get /window/control/open

# ---- the command line
check "set a fader: status 0, the value it then shows" \
  [ "$(status_of mm set /card/1/inputs/1/fader 16)" = 0 ]
check "  ... 16.0 dB" says "16.0"
check "  ... the driver got both linked gains" grep -q "0x4033 0xB850B850" "$trace"
check "  ... and the window shows it" [ "$(mm get /card/1/inputs/2/fader)" = "16.0" ]
before=$(sent 0x4033)
check "a value beyond the scale: status 1" [ "$(status_of mm set /card/1/inputs/1/fader 30)" = 1 ]
check "  ... says why" says "beyond the fader's scale (0.0 to 22.5 dB)"
check "  ... and sends nothing" [ "$(sent 0x4033)" = "$before" ]
check "an absent card: status 1" [ "$(status_of mm get /card/3/inputs/1/fader)" = 1 ]
check "show a window" [ "$(status_of mm show inputs)" = 0 ]
check "  ... it is on the screen" wait_for shown "Analog Inputs"
check "a preset saved" [ "$(status_of mm save Studio)" = 0 ]
check "  ... listed" bash -c "[ \"\$('$program' presets)\" = Studio ]"
mm set /card/1/inputs/1/fader 5 >/dev/null
check "  ... loaded" [ "$(status_of mm load Studio)" = 0 ]
check "  ... the fader is back" [ "$(mm get /card/1/inputs/1/fader)" = "16.0" ]
check "  ... erased" [ "$(status_of mm erase Studio)" = 0 ]
check "a preset that is none: status 1" [ "$(status_of mm load Studio)" = 1 ]
check "a second start shows the running one (status 0)" [ "$(status_of mm)" = 0 ]
check "  ... which still runs" kill -0 "$app"

# ---- D-Bus
call() {
  gdbus call --session --dest org.morva.MorvaManager --object-path /org/morva/MorvaManager \
    --method "org.morva.MorvaManager.$1" "${@:2}"
}
gdbus monitor --session --dest org.morva.MorvaManager >"$work/monitor.txt" 2>&1 &
monitor=$!
sleep_until_monitoring() { grep -q "Monitoring" "$work/monitor.txt"; }
wait_for sleep_until_monitoring || true
check "D-Bus Set: the value shown" [ "$(call Set /card/1/outputs/3/mute on)" = "('on',)" ]
check "  ... the driver muted the channel" grep -q "^msg out h[0-9]* 0x4002 0x0000FFFF" "$trace"
check "D-Bus Get" [ "$(call Get /card/1/outputs/3/mute)" = "('on',)" ]
check "D-Bus: a refusal is an error with the reason" \
  bash -c "gdbus call --session --dest org.morva.MorvaManager --object-path /org/morva/MorvaManager \
    --method org.morva.MorvaManager.Set /card/1/inputs/1/source CD 2>&1 |
    grep -q 'org.morva.MorvaManager.Error.Failed: channel 1 has no CD input'"
check "D-Bus: wrong arguments are refused" \
  bash -c "gdbus call --session --dest org.morva.MorvaManager --object-path /org/morva/MorvaManager \
    --method org.morva.MorvaManager.Get 1 2 2>&1 | grep -q InvalidArgs"
mm set /card/1/monitor/3-4/mode OnRec >/dev/null
changed() { grep -q "Changed ('/card/1/monitor/3-4/mode', 'OnRec')" "$work/monitor.txt"; }
check "D-Bus: a change from the command line is signalled" wait_for changed
# The user's own click on the control window's "Digital Input" box.
mm show >/dev/null
wait_for shown Morva || true
read -r cx cy _ _ < <(geometry "$(window Morva)")
xdotool mousemove $((cx + 24)) $((cy + 68)) click 1
clicked() { grep -q "Changed ('/window/digital-in/open', 'on')" "$work/monitor.txt"; }
check "D-Bus: the user's own click is signalled" wait_for clicked
check "D-Bus: presets" bash -c "[ \"\$(gdbus call --session --dest org.morva.MorvaManager \
  --object-path /org/morva/MorvaManager --method org.morva.MorvaManager.Presets all)\" = '(@as [],)' ]"

# ---- OSC
mm show outputs >/dev/null
oscdump -L "$feedback_port" >"$work/osc.txt" 2>&1 &
dump=$!
osc() { oscsend localhost "$osc_port" "$@"; }
subscribed() { osc /subscribe si /card/1/outputs/1/ "$feedback_port"; grep -q "/card/1/outputs/1/mute i 0" "$work/osc.txt"; }
check "OSC: a subscriber gets the values shown" wait_for subscribed
mm set /card/1/outputs/1/mute on >/dev/null
heard() { grep -q "/card/1/outputs/1/mute i 1" "$work/osc.txt"; }
check "OSC: a change from the command line comes back" wait_for heard
osc /card/1/outputs/1/fader f -10
volume() { grep -q "^msg out h[0-9]* 0x0011 0xEBE0EBE0" "$trace"; }
check "OSC: a fader set, the driver got its volume" wait_for volume
fader_back() { grep -q "/card/1/outputs/1/fader f -9.9" "$work/osc.txt"; }
check "  ... and it comes back as the scale reads" wait_for fader_back
osc /card/1/outputs/1/fader s loud
osc /nowhere
osc /get si /card/1/outputs/1/fader "$feedback_port"
answered() { [ "$(grep -c "/card/1/outputs/1/fader f -9.9" "$work/osc.txt")" -ge 2 ]; }
check "OSC: after bad messages a query is answered" wait_for answered
check "OSC: meters at the meters' rate" wait_for grep -q "/card/1/outputs/1/meter f" "$work/osc.txt"

kill -TERM "$app"
check "the program ends with status 0" ended_with_status_zero
finish
