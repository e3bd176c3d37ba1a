#!/usr/bin/env bash
# The program on the desktops people run, each on a private server, driven
# by real X input and D-Bus calls, the program started with no locale:
#   - an XEmbed tray (lxpanel) started before the program and 3 s after it:
#     the icon moves into the tray, a double click opens the control window,
#     the tray's menu opens and ends, first placement keeps windows apart;
#     the tray going away brings the stand-in back;
#   - a StatusNotifierItem tray (status-notifier-watcher and a host on a
#     private session bus) that comes after the program: it takes the icon,
#     the item is "MORVA Manager", a burst of activations opens once, the
#     exported menu's items work;
#   - the Xfce and LXQt panels (XEmbed and StatusNotifierItem both), started
#     before the program, 3 s after it and again while it runs: a click, a
#     double click and an activation each open the control window once,
#     as the kind of icon Qt served takes them;
#   - xfwm4: windows painted, heights pinned, places kept; SIGTERM and the
#     X server going away save what "Beenden" saves;
#   - weston with Qt's Wayland platform: the meters are painted and move,
#     stored places survive; with X11 beside Wayland the program runs on X11.
#   desktops_test.sh PROGRAM
# Exits 77 (skipped) where the servers, trays or tools are not installed.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb openbox xdotool xprop xwininfo xwd xdpyinfo lxpanel xfce4-panel lxqt-panel xfwm4 \
  dbus-run-session dbus-update-activation-environment gdbus status-notifier-watcher gtk-sni-tray-standalone weston weston-screenshooter; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
convert=/usr/bin/convert compare=/usr/bin/compare
[ -x "$convert" ] && [ -x "$compare" ] || { echo "skipped: ImageMagick is not installed"; exit 77; }
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
  { echo "skipped: qt6-wayland is not installed"; exit 77; }

# The rest runs inside a private D-Bus session, which ends with it.
if [ -z "${MORVA_DESKTOPS_SESSION:-}" ]; then
  MORVA_DESKTOPS_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
app="" extra=()
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/lib.sh"
private_panel_home
stop_extra() {
  local pid
  for pid in "${extra[@]}"; do kill "$pid" 2>/dev/null || true; done
  extra=()
}
cleanup() {
  local status=$?
  stop_extra
  stop_private_desktop
  [ "$status" -ne 0 ] && [ "${finished:-}" != 1 ] && show_program_output
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
ini="$XDG_CONFIG_HOME/morva/Vozururo.ini"
trace="$work/trace.txt"
stand_in_title="Einstellungen für Morva"
all_windows_ini='[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n'

fresh_settings() {  # fresh_settings [INI TEXT]
  rm -rf "$XDG_CONFIG_HOME" "$trace"
  mkdir -p "$XDG_CONFIG_HOME/morva"
  [ -z "${1:-}" ] || printf "$1" >"$ini"
}
desktop() {  # desktop [WM]: a new private X server
  stop_extra
  stop_private_desktop
  app="" wm="" xvfb=""
  require "the private X server and ${1:-openbox} start" start_private_desktop 120 "$work/desktop.log" "${1:-openbox}"
}
run_program() {  # run_program [KNOBS]: in the background, traced
  MORVA_SIM="cards=1 ${1:-}" MORVA_TRACE="$trace" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1 &
  app=$!
}
ended() { ! kill -0 "$app" 2>/dev/null; }
exit_status_zero() {  # the program ended with status 0
  wait_for ended && ended_with_status_zero
}
opened() { grep -c '^show MixControlWnd$' "$trace" 2>/dev/null || true; }
opened_times() { [ "$(opened)" = "$1" ]; }
start_panel() { start_named_panel lxpanel; }
tray_icon() {  # Qt's XEmbed icon window, a child of the panel
  xwininfo -root -tree | awk '/"MORVA Manager": \("morva-manager"/ && $0 !~ / 1x1\+/ {print $1; exit}'
}
in_tray() { [ -n "$(tray_icon)" ] && gone "$stand_in_title"; }
tray_click() {  # tray_click BUTTON [REPEAT]
  local x y w h
  read -r x y w h < <(geometry "$(tray_icon)")
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat "${2:-1}" --delay 80 "$1"
}
tray_menu() {  # tray_menu N: the N-th item of the icon's menu
  local keys=()
  for _ in $(seq "$1"); do keys+=(Down); done
  tray_click 3
  sleep 0.7
  xdotool key "${keys[@]}" Return
}
title_latin1() {  # WM_NAME, the old property, carries the title as ICCCM says
  xprop -id "$(window "$stand_in_title")" WM_NAME | grep -qF "= \"$stand_in_title\""
}

# ---- an XEmbed tray that is there first
desktop
fresh_settings "$all_windows_ini"
start_panel
sleep 2
run_program
check "the icon goes into an XEmbed tray that is there" wait_for in_tray
tray_click 1 2
check "a double click on the tray icon opens the control window" wait_for shown Morva
for w in "${windows[@]}"; do wait_for shown "$w" || true; done
sleep 0.5
check "beside the tray, first placement keeps the windows apart" placed_apart
activate_close() { xdotool windowactivate --sync "$(window Morva)" key alt+F4 >/dev/null 2>&1; }
activate_close
wait_for gone Morva || true
tray_menu 1
check "the tray menu's first item opens the control window" wait_for shown Morva
tray_menu 2
check "the tray menu's second item ends the program with status 0" exit_status_zero

# ---- an XEmbed tray that comes 3 s after the program, and goes
stop_extra
fresh_settings
run_program
check "without a tray the stand-in shows" wait_for shown "$stand_in_title"
check "the stand-in's WM_NAME reads right with no locale" title_latin1
sleep 3
start_panel
check "a tray that comes later takes the icon from the stand-in" wait_for in_tray
tray_click 1 2
check "its double click opens the control window" wait_for shown Morva
kill "$panel"
check "the stand-in comes back when the tray goes" wait_for shown "$stand_in_title"
kill -TERM "$app"
check "SIGTERM ends the program with status 0" exit_status_zero

# ---- a StatusNotifierItem tray that comes after the program
desktop
fresh_settings
run_program
require "the stand-in shows before the tray" wait_for shown "$stand_in_title"
status-notifier-watcher >>"$work/sni.log" 2>&1 &
extra+=($!)
sleep 0.5
gtk-sni-tray-standalone >>"$work/sni.log" 2>&1 &
extra+=($!)
check "a StatusNotifierItem host that comes later takes the icon" wait_for gone "$stand_in_title"
sni() {  # sni INTERFACE.METHOD ARGS...: a call on the program's item
  gdbus call --session --dest "$item_bus" --object-path "$item_path" --method "$@"
}
item_bus=$(gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
  --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems |
  grep -o "'[^']*'" | head -1 | tr -d "'")
item_path=/StatusNotifierItem
[[ "$item_bus" == */* ]] && item_path=/${item_bus#*/} item_bus=${item_bus%%/*}
item_named() {
  sni org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Id | grep -qF "'MORVA Manager'" &&
    sni org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Title | grep -qF "'MORVA Manager'"
}
check "the item's Id and Title read 'MORVA Manager'" item_named
before=$(opened)
for _ in 1 2 3; do sni org.kde.StatusNotifierItem.Activate 100 100 >/dev/null; done
check "a burst of three activations opens the control window" wait_for shown Morva
sleep 1
check "... once" opened_times $((before + 1))
menu_path=$(sni org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu | grep -o "'/[^']*'" | tr -d "'")
menu_item() {  # the id of the exported menu's item with this label
  gdbus call --session --dest "$item_bus" --object-path "$menu_path" \
    --method com.canonical.dbusmenu.GetLayout -- 0 -1 '[]' |
    /usr/bin/python3 -c "import re,sys; t=sys.stdin.read(); m=re.search(r'\((\d+), \{[^}]*\'label\': <\'$1\'>', t); print(m.group(1) if m else '')"
}
menu_click() {
  gdbus call --session --dest "$item_bus" --object-path "$menu_path" \
    --method com.canonical.dbusmenu.Event -- "$(menu_item "$1")" clicked '<0>' 0 >/dev/null
}
xdotool windowactivate --sync "$(window Morva)" key alt+F4 >/dev/null 2>&1 || true
wait_for gone Morva || true
menu_click "Öffnen"
check "the exported menu's 'Öffnen' opens the control window" wait_for shown Morva
menu_click "Beenden"
check "the exported menu's 'Beenden' ends the program with status 0" exit_status_zero

# ---- the Xfce and LXQt panels: before the program, after it, restarted
# Each offers both kinds of tray; Qt serves one of them to each icon it
# makes. A StatusNotifierItem opens on one click, a double click or an
# activation, an XEmbed icon on a double click (a click opens nothing);
# each gesture opens the control window exactly once.
our_item() {  # BUS PATH of the program's item, once the watcher lists it
  local entry bus path
  for entry in $(gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
    2>/dev/null | grep -o "'[^']*'" | tr -d "'"); do
    bus=$entry path=/StatusNotifierItem
    [[ "$entry" == */* ]] && path=/${entry#*/} bus=${entry%%/*}
    gdbus call --session --dest "$bus" --object-path "$path" --method org.freedesktop.DBus.Properties.Get \
      org.kde.StatusNotifierItem Id 2>/dev/null | grep -qF "'MORVA Manager'" && { echo "$bus $path"; return 0; }
  done
  return 1
}
panel_icon() {  # X Y of the icon the panel draws for the program's item
  local w h x y
  xwd -root -silent >"$work/screen.xwd"
  read -r w h x y < <("$convert" "xwd:$work/screen.xwd" -crop 1600x48+0+0 +repage -fill black \
    +opaque '#000080' -format '%@\n' info: | tr 'x+' '  ')
  [ "${w:-99}" -gt 0 ] && [ "$w" -lt 48 ] && echo $((x + w / 2)) $((y + h / 2))
}
close_control_window() {  # as the user would, once more if the key went astray
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$(window Morva)" key alt+F4 >/dev/null 2>&1 || true
    wait_for gone Morva && return 0
  done
  echo "     the control window did not close"
  return 1
}
opens_once() {  # opens_once GESTURE...: the control window opens, exactly once
  local before
  gone Morva || close_control_window || return 1
  before=$(opened)
  "$@"
  wait_for shown Morva || { echo "     expected the control window, saw none"; return 1; }
  sleep 1
  [ "$(opened)" = $((before + 1)) ] || { echo "     expected one opening, saw $(($(opened) - before))"; return 1; }
  close_control_window
}
opens_nothing() {  # opens_nothing GESTURE...
  local before
  before=$(opened)
  "$@"
  sleep 1.5
  [ "$(opened)" = "$before" ] && gone Morva || { echo "     expected nothing to open"; close_control_window; return 1; }
}
click_panel_icon() {  # click_panel_icon REPEAT
  local x y
  read -r x y < <(panel_icon) || return 1
  xdotool mousemove "$x" "$y" click --repeat "$1" --delay 80 1
}
activate_item() {
  local bus path
  read -r bus path < <(our_item) || return 1
  gdbus call --session --dest "$bus" --object-path "$path" --method org.kde.StatusNotifierItem.Activate 10 10 >/dev/null
}
in_panel() {  # the icon is in the panel, of either kind, and the stand-in gone
  gone "$stand_in_title" && { [ -n "$(tray_icon)" ] || { our_item >/dev/null && panel_icon >/dev/null; }; }
}
panel_takes_icon() {  # a panel's first start may build caches: up to 30 s
  wait_for in_panel || wait_for in_panel || wait_for in_panel
}
gestures() {  # gestures WHAT: each gesture of the kind Qt served opens once
  if [ -n "$(tray_icon)" ]; then
    check "$1: an XEmbed icon's double click opens the control window once" opens_once tray_click 1 2
    check "$1: ... its single click opens nothing" opens_nothing tray_click 1
  else
    check "$1: a StatusNotifierItem's click opens the control window once" opens_once click_panel_icon 1
    check "$1: ... its double click once" opens_once click_panel_icon 2
    check "$1: ... its activation over D-Bus once" opens_once activate_item
  fi
}
for panel_program in xfce4-panel lxqt-panel; do
  desktop
  fresh_settings
  start_named_panel "$panel_program"
  sleep 3
  run_program
  check "$panel_program there first: the icon goes into the panel" panel_takes_icon
  gestures "$panel_program there first"
  kill "$panel"
  check "$panel_program restarted: the stand-in shows while it is gone" wait_for shown "$stand_in_title"
  start_named_panel "$panel_program"
  check "$panel_program restarted: the icon goes back into the panel" panel_takes_icon
  gestures "$panel_program restarted"
  kill -TERM "$app"
  exit_status_zero >/dev/null || true
  stop_extra
  fresh_settings
  run_program
  require "the stand-in shows before $panel_program" wait_for shown "$stand_in_title"
  sleep 3
  start_named_panel "$panel_program"
  check "$panel_program 3 s after the program: the icon goes into the panel" panel_takes_icon
  gestures "$panel_program 3 s after the program"
  kill -TERM "$app"
  exit_status_zero >/dev/null || true
done

# ---- xfwm4: painted, pinned, places kept; SIGTERM saves as "Beenden"
desktop "xfwm4 --compositor=off"
fresh_settings "$all_windows_ini"
run_program
require "the stand-in shows under xfwm4" wait_for shown "$stand_in_title"
MORVA_SIM="cards=1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
require "a second start shows the control window" wait_for shown Morva
for w in "${windows[@]}"; do wait_for shown "$w" || true; done
sleep 1
for w in Morva "${windows[@]}"; do check "under xfwm4 '$w' is painted" not_black "$w"; done
check "under xfwm4 the size hints pin the height" pinned "$(window "Analog Outputs")"
reopened_in_place() {
  local was now
  was=$(frame "$(window "Digital Input")")
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$(window Morva)" key alt+d >/dev/null 2>&1
    wait_for gone "Digital Input" || return 1
    xdotool windowactivate --sync "$(window Morva)" key alt+d >/dev/null 2>&1
    wait_for shown "Digital Input" || return 1
    sleep 0.3
    now=$(frame "$(window "Digital Input")")
    [ "$now" = "$was" ] || { echo "     expected at $was, saw $now"; return 1; }
  done
}
check "under xfwm4 close and reopen keep the place" reopened_in_place
xdotool windowmove --sync "$(window "Digital Output")" 640 700
sleep 0.5
kill -TERM "$app"
check "SIGTERM with every window open ends with status 0" exit_status_zero
saved_as_beenden() {
  grep -q '^chkAnalogInputs=1' "$ini" && grep -q '^chkDigitalOutputs=1' "$ini" &&
    awk '/^\[Digital Output\]/{s=1;next} /^\[/{s=0} s && /^Left=640/{l=1} s && /^Top=700/{t=1} END{exit !(l&&t)}' \
      <(tr -d '\r' <"$ini") || { echo "     saw:"; sed 's/^/     /' "$ini"; return 1; }
}
check "SIGTERM saved the open windows and the moved place" saved_as_beenden

# ---- the X server ending under the program (the session's end on X11)
fresh_settings "$all_windows_ini"
run_program
require "the stand-in shows again" wait_for shown "$stand_in_title"
MORVA_SIM="cards=1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
for w in "${windows[@]}"; do wait_for shown "$w" || true; done
xdotool windowmove --sync "$(window "Digital Output")" 640 700
sleep 0.5
kill "$xvfb"
check "the X server going away ends the program with status 0" exit_status_zero
check "... having saved what Beenden saves" saved_as_beenden

# ---- weston with Qt's Wayland platform
stop_extra
stop_private_desktop
fresh_settings '[Morva]\r\nchkAnalogInputs=1\r\nchkDigitalInputs=1\r\nLeft=700\r\nTop=500\r\n[Analog Inputs]\r\nLeft=300\r\nTop=200\r\n'
weston --backend=headless-backend.so --use-pixman --socket=morva-wl --width=1600 --height=1200 --debug \
  >>"$work/weston.log" 2>&1 &
extra+=($!)
require "weston starts" wait_for test -S "$XDG_RUNTIME_DIR/morva-wl"
unset DISPLAY
export WAYLAND_DISPLAY=morva-wl
run_program
sleep 2
MORVA_SIM="cards=1" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
sleep 2
shot() {  # shot NAME: weston's picture of its whole output
  (cd "$work" && rm -f wayland-screenshot-*.png && timeout 20 weston-screenshooter &&
    mv wayland-screenshot-*.png "$1.png") >>"$work/weston.log" 2>&1
}
shot first
sleep 1
shot second
kill -TERM "$app"
check "on Wayland SIGTERM ends the program with status 0" exit_status_zero
unset WAYLAND_DISPLAY
lamps_lit() {  # green lamps show: no hole where the meters are
  local green
  green=$("$convert" "$work/first.png" -fill black +opaque '#00FF00' -fill white -opaque '#00FF00' \
    -format '%[fx:mean*w*h]' info: 2>/dev/null | cut -d. -f1)
  [ "${green:-0}" -gt 2000 ] || echo "     expected lit lamps, saw ${green:-no} green pixels"
  [ "${green:-0}" -gt 2000 ]
}
meters_move() {
  local pixels
  pixels=$(differing "$work/first.png" "$work/second.png")
  [ "${pixels:-0}" -gt 0 ] 2>/dev/null || echo "     expected changed pixels, saw ${pixels:-none}"
  [ "${pixels:-0}" -gt 0 ] 2>/dev/null
}
check "on Wayland the meters are painted" lamps_lit
check "on Wayland the meters move between two pictures" meters_move
places_kept() {
  tr -d '\r' <"$ini" | awk '/^\[Morva\]/{s="m";next} /^\[Analog Inputs\]/{s="a";next} /^\[/{s=""}
    s=="m" && /^Left=700$/{n++} s=="m" && /^Top=500$/{n++} s=="a" && /^Left=300$/{n++}
    s=="a" && /^Top=200$/{n++} END{exit n!=4}' || { echo "     saw:"; sed 's/^/     /' "$ini"; return 1; }
}
check "on Wayland the stored places survive the end" places_kept
desktop
fresh_settings
WAYLAND_DISPLAY=morva-wl run_program
check "with X11 beside Wayland the program runs on X11" wait_for shown "$stand_in_title"
kill -TERM "$app"
exit_status_zero >/dev/null || true

finished=1
finish
