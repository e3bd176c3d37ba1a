# Sourced by the desktop tests: counting checks that say what they expected
# and saw, waiting, and reading windows off the X server (by title, with
# or without their frames, their size hints and their pixels). Needs the
# variable work (a scratch folder) and ImageMagick as convert and compare.

failures=0
passes=0
check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then
    passes=$((passes + 1))
    echo "ok   $name"
  else
    failures=$((failures + 1))
    echo "FAIL $name"
  fi
}


wait_for() {  # wait_for COMMAND...: up to 10 s
  for _ in $(seq 200); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}
window() {  # the client window with this exact title
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1
}
shown() { [ -n "$(window "$1")" ]; }
gone() { [ -z "$(window "$1")" ]; }
geometry() {  # X Y W H of the client area
  [ -n "$1" ] || { echo "no window" >&2; return 1; }  # xwininfo would wait for a click
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}
frame() {  # X Y W H of the window with its frame (once the manager framed it)
  local x y w h l r t b extents=""
  read -r x y w h < <(geometry "$1")
  for _ in $(seq 100); do
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9, ]*$' || true)
    [ -n "$extents" ] && break
    sleep 0.05
  done
  read -r l r t b <<<"${extents//,/ }"
  echo $((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))
}
overlap() {  # overlap "X Y W H" "X Y W H"
  local a=($1) b=($2)
  [ $((a[0] < b[0] + b[2] && b[0] < a[0] + a[2] && a[1] < b[1] + b[3] && b[1] < a[1] + a[3])) -eq 1 ]
}
client_area() {  # client_area TITLE PNG: what the screen shows of the window
  local x y w h
  read -r x y w h < <(geometry "$(window "$1")")
  xwd -root -silent > "$work/screen.xwd"
  "$convert" "xwd:$work/screen.xwd" -crop "${w}x${h}+${x}+${y}" +repage "$2"
}
differing() { "$compare" -metric AE "$1" "$2" null: 2>&1 || true; }  # pixels
not_black() {  # the window's area on the screen is mostly its own colours
  local black
  client_area "$1" "$work/area.png"
  black=$("$convert" "$work/area.png" -fill white +opaque black -colorspace gray \
    -format '%[fx:1-mean]' info:)
  awk -v b="$black" 'BEGIN { exit !(b < 0.5) }'
}
hints() {  # MINW MINH MAXW MAXH of the size hints
  xprop -id "$1" WM_NORMAL_HINTS | awk '/minimum size/ {minw=$5; minh=$7}
    /maximum size/ {maxw=$5; maxh=$7} END {print minw, minh, maxw, maxh}'
}
pinned() {  # the height hints equal the height shown, the width may vary
  local id=$1 minw minh maxw maxh x y w h
  read -r minw minh maxw maxh < <(hints "$id")
  read -r x y w h < <(geometry "$id")
  [ -n "$minh" ] && [ "$minh" = "$h" ] && [ "$maxh" = "$h" ] && [ "$minw" -le "$w" ] &&
    [ "$w" -le "$maxw" ] && [ "$minw" -lt "$maxw" ]
}
# The tests' own tools read titles in UTF-8; the program gets no locale at
# all, the hardest case (containers, minimal installs).
export LC_ALL=C.UTF-8
# A command, not a function: "${no_locale[@]}" PROGRAM & leaves $! the
# program's own process id.
no_locale=(env -u LC_ALL -u LANG -u LC_CTYPE -u LC_MESSAGES)

ended_with_status_zero() {  # waits for the program ($app), which must end with 0
  local status=0
  wait "$app" || status=$?
  app=""
  [ "$status" -eq 0 ] || echo "     expected exit status 0, saw $status"
  [ "$status" -eq 0 ]
}
show_program_output() {
  echo "--- the program's output"
  tail -30 "$work/program.log" 2>/dev/null || true
}
# The closing line; after any failure the program's output as well.
finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ] && return 0
  show_program_output
  return 1
}
# A step the rest cannot do without: its failure ends the test, saying why.
require() {  # require WHAT COMMAND...
  local what=$1
  shift
  "$@" && return 0
  echo "FAIL $what"
  failures=$((failures + 1))
  finish || true
  exit 1
}

windows=("Analog Inputs" "Analog Input Monitors" "Analog Outputs" "Digital Input" "Digital Output")
placed_apart() {  # no two of the control window and the mixer windows overlap
  local all=(Morva "${windows[@]}") i j
  for ((i = 0; i < ${#all[@]}; i++)); do
    for ((j = i + 1; j < ${#all[@]}; j++)); do
      if overlap "$(frame "$(window "${all[i]}")")" "$(frame "$(window "${all[j]}")")"; then
        echo "     expected apart, saw '${all[i]}' at $(frame "$(window "${all[i]}")") overlap '${all[j]}' at $(frame "$(window "${all[j]}")")"
        return 1
      fi
    done
  done
}

# A private desktop and the program's folders under work; the test ends,
# saying why, when the window manager does not come up.
private_session() {  # private_session FIRST_DISPLAY_NUMBER
  if ! start_private_desktop "$1" "$work/desktop.log"; then
    echo "openbox did not start on $DISPLAY:"
    cat "$work/desktop.log"
    exit 1
  fi
  export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state"
  mkdir -p "$XDG_CONFIG_HOME/morva" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
}

panel_env=()
# The panels' own settings and home, apart from the program's (whose
# folder the tests wipe): an Xfce panel and an LXQt panel with nothing but
# their trays, on top of the screen. The settings service that the Xfce
# panel asks the bus for is started by the bus, so the bus is told too.
private_panel_home() {
  panel_home="$work/panel-home"
  mkdir -p "$panel_home/config/xfce4/xfconf/xfce-perchannel-xml" "$panel_home/config/lxqt"
  cat >"$panel_home/config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
  printf '[General]\n__userfile__=true\n\n[panel1]\nplugins=statusnotifier, tray\nposition=Top\ndesktop=0\n\n[statusnotifier]\ntype=statusnotifier\n\n[tray]\ntype=tray\n' \
    >"$panel_home/config/lxqt/panel.conf"
  # No virtual file system daemon (it would mount itself under the home).
  panel_env=(HOME="$panel_home" XDG_CONFIG_HOME="$panel_home/config" XDG_CACHE_HOME="$panel_home/cache"
    XDG_DATA_HOME="$panel_home/data" GIO_USE_VFS=local GVFS_DISABLE_FUSE=1)
  dbus-update-activation-environment "${panel_env[@]}" >/dev/null 2>&1
}
start_named_panel() {  # start_named_panel PROGRAM: sets panel, stopped with the extras
  env "${panel_env[@]}" "$1" >>"$work/panel.log" 2>&1 &
  panel=$!
  extra+=("$panel")
}
