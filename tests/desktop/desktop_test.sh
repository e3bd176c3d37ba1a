#!/usr/bin/env bash
# The program on a real X server with a window manager (Xvfb + openbox on a
# free display), driven by real X input (XTest through xdotool) and judged
# by what the server shows and what the program's trace says:
#   - no window is black, and the mixer windows first open clear of each
#     other and of the control window;
#   - the size hints pin the height and follow a section being hidden;
#   - positions round-trip through ten close/reopen cycles and a restart;
#   - the tray stand-in's double click raises and activates the control
#     window;
#   - the wheel and the keys on a fader send the driver's volume message;
#   - meters covered and uncovered show what they showed before.
#   desktop_test.sh PROGRAM
# Exits 77 (skipped) where the X server or the tools are not installed.
set -euo pipefail
program=$(realpath "$1")
for tool in Xvfb openbox xdotool xprop xwininfo xwd xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
convert=/usr/bin/convert compare=/usr/bin/compare
[ -x "$convert" ] && [ -x "$compare" ] || { echo "skipped: ImageMagick is not installed"; exit 77; }

work=$(mktemp -d)
app=""
source "$(dirname "$0")/../../scripts/lib/private_desktop.sh"
cleanup() {
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/lib.sh"
# ---- the private desktop
private_session 90
ini="$XDG_CONFIG_HOME/morva/Vozururo.ini"
trace="$work/trace.txt"

# ---- helpers
count_volume() { grep -c ' 0x0011 ' "$trace" 2>/dev/null || true; }
more_volume_than() { [ "$(count_volume)" -gt "$1" ]; }
start_program() {  # start_program CARDS [KNOBS]: up to the tray stand-in
  MORVA_SIM="cards=$1 ${2:-}" MORVA_TRACE="$trace" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1 &
  app=$!
  require "the program shows its tray stand-in 'Einstellungen für Morva'" \
    wait_for shown "Einstellungen für Morva"
}
show_control_window() {  # a second start shows it, as the tray would
  MORVA_SIM="cards=$1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
  require "a second start shows the control window 'Morva'" wait_for shown Morva
}
ended() { ! kill -0 "$app" 2>/dev/null; }
quit_program() {  # the stand-in's menu, second item: "Beenden"
  local stand_in x y w h try
  stand_in=$(window "Einstellungen für Morva")
  read -r x y w h < <(geometry "$stand_in")
  for try in 1 2 3; do
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
    sleep $((try)).5
    xdotool key Down Down Return
    wait_for ended && break
    xdotool key Escape
  done
  ended && app=""
}
activate() {  # the window has the focus, as far as the window manager lets it
  local id
  id=$(window "$1")
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
    sleep 0.2
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$id" ] && return 0
  done
  echo "     '$1' did not get the focus"
}


# ---- four cards, every window open, no stored places yet
printf '[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n' >"$ini"
start_program 4
show_control_window 4
for w in "${windows[@]}"; do wait_for shown "$w" || true; done
sleep 1
for w in Morva "${windows[@]}"; do check "window '$w' is painted, not black" not_black "$w"; done
check "first placement keeps the windows apart" placed_apart

# ---- size hints follow the sections shown
outputs=$(window "Analog Outputs")
check "size hints pin the height of 'Analog Outputs'" pinned "$outputs"
read -r _ _ _ height_before < <(geometry "$outputs")
activate "Analog Outputs"
xdotool key alt+f
height_changed() { read -r _ _ _ h < <(geometry "$outputs"); [ "$h" != "$height_before" ]; }
check "hiding the faders changes the height" wait_for height_changed
check "size hints follow the new height" wait_for pinned "$outputs"
activate "Analog Outputs"
xdotool key alt+f
check "showing the faders again restores the height" wait_for pinned "$outputs"

# ---- the wheel and the keys on a fader
# The first fader of pair 3/4: its groove runs from (96, 190) to (96, 302)
# of the client area; at the top of its travel its thumb is centred at
# (96, 196).
read -r ox oy _ _ < <(geometry "$outputs")
before=$(count_volume)
xdotool mousemove $((ox + 96)) $((oy + 250))
for _ in $(seq 40); do xdotool click 4; done
check "the wheel on a fader sends the volume" wait_for more_volume_than "$before"
before=$(count_volume)
xdotool mousemove $((ox + 96)) $((oy + 196)) click 1
sleep 0.2
xdotool key Down
check "a key on the focused fader sends the volume" wait_for more_volume_than "$before"

# ---- positions round-trip through ten close/reopen cycles
read -r dx dy _ _ < <(frame "$(window "Digital Input")")
round_trips() {
  local i x y
  for i in $(seq 10); do
    activate Morva
    xdotool key alt+d
    wait_for gone "Digital Input" || return 1
    activate Morva
    xdotool key alt+d
    wait_for shown "Digital Input" || return 1
    sleep 0.3
    read -r x y _ _ < <(frame "$(window "Digital Input")")
    if [ "$x $y" != "$dx $dy" ]; then
      echo "     cycle $i: at $x $y, was $dx $dy"
      return 1
    fi
  done
}
check "ten close/reopen cycles keep the place" round_trips

# ---- the tray stand-in raises a covered control window
read -r mx my _ _ < <(frame "$(window Morva)")
xdotool windowmove "$(window "Digital Input")" "$mx" "$my"
activate "Digital Input"
stand_in=$(window "Einstellungen für Morva")
read -r sx sy sw sh < <(geometry "$stand_in")
xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) click --repeat 2 --delay 80 1
control_on_top() {  # above every window but the stand-in, which stays on top
  local id top
  id=$(window Morva)
  top=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g' | tr ' ' '\n' |
        while read -r w; do [ $((w)) -ne $((stand_in)) ] && echo "$w"; done | tail -1)
  [ "$(xdotool getactivewindow)" = "$id" ] && [ $((top)) -eq $((id)) ]
}
check "the stand-in's double click raises and activates the control window" wait_for control_on_top
check "the control window is painted over the window it covered" not_black Morva

# ---- a restart keeps the places
declare -A before_restart
for w in "${windows[@]}"; do before_restart[$w]=$(frame "$(window "$w")"); done
check "the stand-in's menu ends the program" quit_program
start_program 4
show_control_window 4
for w in "${windows[@]}"; do wait_for shown "$w" || true; done
sleep 0.5
same_places() {
  local w now ok=0
  for w in "${windows[@]}"; do
    now=$(frame "$(window "$w")")
    if [ "$now" != "${before_restart[$w]}" ]; then
      echo "     '$w' at $now, was ${before_restart[$w]}"
      ok=1
    fi
  done
  return $ok
}
check "after a restart every window is where it was" same_places

# ---- meters covered and uncovered show what they showed
# With every level pinned the meters stand still between the batches: the
# meters that come out from under another window (which Qt shows from the
# window's backing store) look as they did before.
check "the stand-in's menu ends the program once more" quit_program
pins=""
for ch in 0 1 2 3 4 5 6 7 8 9; do pins+="level=in,0,$ch,20000 level=out,0,$ch,12000 "; done
start_program 1 "$pins"
show_control_window 1
for w in "${windows[@]}"; do wait_for shown "$w" || true; done
steady_meters_area() {  # the same twice in a row: no batch fell behind meanwhile
  for _ in $(seq 10); do
    client_area "Analog Inputs" "$1"
    sleep 0.3
    client_area "Analog Inputs" "$work/again.png"
    [ "$(differing "$1" "$work/again.png")" = 0 ] && return 0
  done
}
uncovered_alike() {
  local cover place pixels x y
  sleep 1
  steady_meters_area "$work/before.png"
  cover=$(window "Digital Output")
  place=$(frame "$cover")
  read -r x y _ _ < <(geometry "$(window "Analog Inputs")")
  activate "Digital Output"
  xdotool windowmove --sync "$cover" "$x" "$y"
  sleep 0.5
  read -r x y _ _ <<<"$place"
  xdotool windowmove --sync "$cover" "$x" "$y"
  sleep 0.5
  steady_meters_area "$work/after.png"
  pixels=$(differing "$work/before.png" "$work/after.png")
  [ "$pixels" = 0 ] || echo "     $pixels pixels differ"
  [ "$pixels" = 0 ]
}
check "meters covered and uncovered show what they showed" uncovered_alike

finish
