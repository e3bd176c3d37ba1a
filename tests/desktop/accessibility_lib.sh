# Sourced by the screen reader tests: the program on a private X server
# with openbox, a private D-Bus session and the accessibility bus, in a
# home and folders of its own (no settings of the user's reach it, and
# none are left behind). Needs the variables program and here.

# Exits 77 (skipped) where a tool in the arguments, the bus launcher or
# pyatspi is not installed.
a11y_require() {  # a11y_require TOOL...
  local tool l
  for tool in Xvfb openbox xdotool xdpyinfo xprop dbus-run-session "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  launcher=""
  for l in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
    [ -x "$l" ] && launcher=$l && break
  done
  [ -n "$launcher" ] || { echo "skipped: at-spi2-core is not installed"; exit 77; }
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
    { echo "skipped: python3-pyatspi is not installed"; exit 77; }
}

# Runs the calling script again inside its own D-Bus session, which ends
# with it, in a temporary home; settings go to memory and files stay local
# (no dconf or gvfs service starts).
a11y_session() {  # a11y_session "$0" "$@"
  [ -n "${MORVA_A11Y_SESSION:-}" ] && return 0
  local home script=$1
  shift
  home=$(mktemp -d)
  MORVA_A11Y_SESSION=$home HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
    XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/run GSETTINGS_BACKEND=memory GIO_USE_VFS=local \
    dbus-run-session -- "$script" "$@" && status=0 || status=$?
  rm -rf "$home"
  exit "$status"
}

# The desktop, the accessibility bus and the program with CARDS cards and
# the settings file INI; returns once the control window shows. Sets work,
# app, bus and MORVA_TRACE.
a11y_start() {  # a11y_start FIRST_DISPLAY CARDS INI
  work=$MORVA_A11Y_SESSION
  mkdir -p "$XDG_CONFIG_HOME/morva" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  if ! start_private_desktop "$1" "$work/desktop.log"; then
    echo "openbox did not start on $DISPLAY:"
    cat "$work/desktop.log"
    exit 1
  fi
  printf "$3" >"$XDG_CONFIG_HOME/morva/Vozururo.ini"
  export MORVA_TRACE="$work/trace.txt"
  : >"$MORVA_TRACE"
  "$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
  bus=$!
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  MORVA_SIM="cards=$2" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1 &
  app=$!
  export MORVA_PID=$app
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name '^Einstellungen für Morva$' >/dev/null 2>&1 && break
    sleep 0.05
  done
  # A second start shows the running instance's control window.
  MORVA_SIM="cards=$2" "${no_locale[@]}" "$program" >>"$work/program.log" 2>&1
}

a11y_stop() {
  [ -n "${bus:-}" ] && kill "$bus" 2>/dev/null || true
  stop_private_desktop
}

a11y_show_logs() {  # a11y_show_logs LOG...: after a failure
  local log
  for log in "$work/program.log" "$work/bus.log" "$@"; do
    echo "---- $(basename "$log")"
    tail -40 "$log" 2>/dev/null || true
  done
}
