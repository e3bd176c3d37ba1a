# Sourced by the desktop tests and the desktop benchmark: starts Xvfb and
# a window manager (openbox unless told) on a free display and waits until both answer. Sets DISPLAY and
# the process ids xvfb and wm (stop_private_desktop stops them); returns 1 when the
# window manager does not come up.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

start_private_desktop() {  # start_private_desktop FIRST_DISPLAY_NUMBER [LOG [WM]]
  local display=$1 log=${2:-/dev/null} manager=${3:-openbox} try server
  # A server that another program started on the same display at the same
  # moment wins it: the next free display is tried.
  for server in 1 2 3; do
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
      display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp >>"$log" 2>&1 &
    xvfb=$!
    export DISPLAY=":$display"
    for _ in $(seq 400); do
      xdpyinfo >/dev/null 2>&1 && break
      kill -0 "$xvfb" 2>/dev/null || break
      sleep 0.05
    done
    # A first start on a busy machine may build font caches; a start that
    # failed is tried once more.
    for try in 1 2; do
      kill -0 "$xvfb" 2>/dev/null || break
      $manager >>"$log" 2>&1 &
      wm=$!
      for _ in $(seq 600); do
        wm_running && return 0
        kill -0 "$wm" 2>/dev/null || break
        sleep 0.05
      done
      kill "$wm" 2>/dev/null || true
    done
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    display=$((display + 1))
  done
  return 1
}

# Stops what start_private_desktop started, and the program in app if any.
stop_private_desktop() {
  local pid
  for pid in "${app:-}" "${wm:-}" "${xvfb:-}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}
