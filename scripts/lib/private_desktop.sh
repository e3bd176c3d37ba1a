# Sourced by the desktop test and the desktop benchmark: starts Xvfb and
# openbox on a free display and waits until both answer. Sets DISPLAY and
# the process ids xvfb and wm (the caller stops them).
start_private_desktop() {  # start_private_desktop FIRST_DISPLAY_NUMBER
  local display=$1
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$display"
  for _ in $(seq 400); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
  # A first start on a busy machine may build font caches: up to 60 s.
  openbox >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 1200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
}
