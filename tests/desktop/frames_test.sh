#!/usr/bin/env bash
# The windows' frames and the icon as window managers and panels get them,
# each on a private server, the program started with no locale:
#   - openbox and xfwm4: windows stored past the screen's edges open whole
#     on the screen at the first start and are stored where they opened;
#     the mixer windows, whose height is pinned, offer no maximise (the
#     program's hints; the actions xfwm4 allows);
#   - weston's XWayland, which reports no work area: windows without a
#     stored place open clear of its panel, and are stored so;
#   - the mixer icon: the window icon and a StatusNotifierItem's IconPixmap
#     carry every size, each in the drawing's colours.
#   frames_test.sh PROGRAM
# Exits 77 (skipped) where the servers or tools are not installed.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb openbox xfwm4 xdotool xprop xwininfo xdpyinfo dbus-run-session gdbus \
  status-notifier-watcher gtk-sni-tray-standalone weston Xwayland; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null ||
  { echo "skipped: python3-gi is not installed"; exit 77; }

# The rest runs inside a private D-Bus session, which ends with it.
if [ -z "${MORVA_FRAMES_SESSION:-}" ]; then
  MORVA_FRAMES_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
app="" extra=()
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/lib.sh"
stop_extra() {
  local pid
  for pid in "${extra[@]}"; do kill "$pid" 2>/dev/null || true; done
  extra=()
}
cleanup() {
  stop_extra
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
ini="$XDG_CONFIG_HOME/morva/Vozururo.ini"
screen_w=1600 screen_h=1200
# Analog Inputs past the right edge, Digital Input past the left and the
# bottom; the other windows have no place yet.
stored='[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n[Analog Inputs]\r\nLeft=1590\r\nTop=100\r\n[Digital Input]\r\nLeft=-300\r\nTop=1100\r\n'
mixers=("${windows[@]}")

fresh_settings() {
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p "$XDG_CONFIG_HOME/morva"
  printf "$1" >"$ini"
}
sni_items() {
  gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null |
    grep -o "'[^']*'" | tr -d "'"
}
up() {  # the icon is in the tray or its stand-in
  test -S "$XDG_RUNTIME_DIR/morva-manager.socket" && { shown "Einstellungen für Morva" || [ -n "$(sni_items)" ]; }
}
start_program() {  # up to the control window with every mixer window
  MORVA_SIM="cards=1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1 &
  app=$!
  require "the program starts" wait_for up
  MORVA_SIM="cards=1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
  require "a second start shows the control window" wait_for shown Morva
  for w in "${mixers[@]}"; do wait_for shown "$w" || true; done
  sleep 1
}
stop_program() {  # SIGTERM saves what "Beenden" saves
  kill -TERM "$app"
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
  app=""
}
stored_place() {  # stored_place SECTION: LEFT TOP from the settings file
  tr -d '\r' <"$ini" | awk -v s="[$1]" '$0 == s {in_s=1; next} /^\[/ {in_s=0}
    in_s && /^Left=/ {l=substr($0, 6)} in_s && /^Top=/ {t=substr($0, 5)} END {print l, t}'
}
each_window() {  # each_window TEST WINDOW...: TEST WINDOW says why it fails
  local test=$1 w why bad=0
  shift
  for w in "$@"; do
    why=$("$test" "$w") || { echo "     '$w': $why"; bad=1; }
  done
  return $bad
}
on_screen() {  # the window's frame lies on the screen
  local x y fw fh
  read -r x y fw fh < <(frame "$(window "$1")")
  echo "at $x $y, $fw x $fh"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + fw)) -le "$screen_w" ] && [ $((y + fh)) -le "$screen_h" ]
}
declare -A shown_at
note_places() {
  local w x y
  for w in "${mixers[@]}"; do
    read -r x y _ _ < <(frame "$(window "$w")")
    shown_at[$w]="$x $y"
  done
}
stored_as_shown() {
  echo "shown at ${shown_at[$1]}, stored $(stored_place "$1")"
  [ "$(stored_place "$1")" = "${shown_at[$1]}" ]
}
no_maximise_hint() {  # the program's Motif hints: no maximise function or button
  local hints functions decorations
  hints=$(xprop -id "$(window "$1")" _MOTIF_WM_HINTS | grep -o '0x[0-9a-f, x]*' || true)
  IFS=', ' read -r _ functions decorations _ <<<"$hints"
  echo "_MOTIF_WM_HINTS $hints"
  [ -n "$decorations" ] && [ $((functions & 0x10)) -eq 0 ] && [ $((decorations & 0x40)) -eq 0 ]
}
no_maximise_action() {  # what the window manager allows: resizing, no maximising
  local actions
  actions=$(xprop -id "$(window "$1")" _NET_WM_ALLOWED_ACTIONS)
  echo "$actions"
  [[ "$actions" != *MAXIMIZE* && "$actions" == *_NET_WM_ACTION_RESIZE* ]]
}
window_icon() {  # _NET_WM_ICON of the control window: every size in the drawing's colours
  xprop -id "$(window Morva)" -notype -f _NET_WM_ICON 32c ' $0+\n' _NET_WM_ICON >"$work/icon.txt"
  /usr/bin/python3 "$here/icon_check.py" xprop "$work/icon.txt" 16 22 24 32 48 64 128
}

# ---- openbox, with a StatusNotifierItem tray
require "the private X server and openbox start" start_private_desktop 170 "$work/desktop.log"
status-notifier-watcher >>"$work/sni.log" 2>&1 &
extra+=($!)
sleep 0.5
gtk-sni-tray-standalone >>"$work/sni.log" 2>&1 &
extra+=($!)
sleep 1
fresh_settings "$stored"
start_program
check "openbox: every window opens whole on the screen" each_window on_screen Morva "${mixers[@]}"
check "openbox: the mixer windows ask for no maximise" each_window no_maximise_hint "${mixers[@]}"
check "the window icon has every size in the drawing's colours" window_icon
item_bus=$(sni_items | head -1)
item_path=/StatusNotifierItem
[[ "$item_bus" == */* ]] && item_path=/${item_bus#*/} item_bus=${item_bus%%/*}
tray_icon() { /usr/bin/python3 "$here/icon_check.py" sni "$item_bus" "$item_path" 16 22 24 32 48 64; }
check "the tray's IconPixmap has every size up to 64 in the drawing's colours" tray_icon
note_places
stop_program
check "openbox: the places shown are stored" each_window stored_as_shown "${mixers[@]}"
stop_extra
stop_private_desktop

# ---- xfwm4
require "the private X server and xfwm4 start" \
  start_private_desktop 170 "$work/desktop.log" "xfwm4 --compositor=off"
fresh_settings "$stored"
start_program
check "xfwm4: every window opens whole on the screen" each_window on_screen Morva "${mixers[@]}"
check "xfwm4: the mixer windows can be resized, not maximised" each_window no_maximise_action "${mixers[@]}"
note_places
stop_program
check "xfwm4: the places shown are stored" each_window stored_as_shown "${mixers[@]}"
stop_private_desktop

# ---- weston's XWayland: no work area, a panel of 32 pixels at the top
weston --backend=headless-backend.so --use-pixman --socket=morva-frames --width=$screen_w \
  --height=$screen_h --xwayland >>"$work/weston.log" 2>&1 &
extra+=($!)
xwayland_display() { grep -o 'xserver listening on display :[0-9]*' "$work/weston.log" | grep -o ':[0-9]*$'; }
require "weston offers XWayland" wait_for xwayland_display
export DISPLAY
DISPLAY=$(xwayland_display)
fresh_settings "$stored"
start_program
declare -A client_at
for w in "${mixers[@]}"; do client_at[$w]=$(geometry "$(window "$w")"); done
stop_program
clear_of_panel() {  # the title bar below the panel, the window on the screen
  local x y cw ch left top
  read -r x y cw ch <<<"${client_at[$1]}"
  read -r left top <<<"$(stored_place "$1")"
  echo "client at $x $y, $cw x $ch, stored at $left $top"
  [ -n "$top" ] && [ "$top" -ge 32 ] && [ "$y" -gt "$top" ] && [ "$x" -ge 0 ] &&
    [ $((x + cw)) -le "$screen_w" ] && [ $((y + ch)) -le "$screen_h" ]
}
check "weston's XWayland: windows open clear of its panel, whole, and are stored so" \
  each_window clear_of_panel "${mixers[@]}"

finish
