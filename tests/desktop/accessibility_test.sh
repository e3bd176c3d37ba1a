#!/usr/bin/env bash
# The program as a screen reader meets it: on a private X server with a
# window manager, a private D-Bus session and the accessibility bus, four
# cards and every mixer window open, accessibility_check.py walks the tree
# over AT-SPI (roles, names, values, actions, the keyboard order) and works
# faders, buttons, meters and the control window's boxes as a listener would.
#   accessibility_test.sh PROGRAM
# Exits 77 (skipped) where the bus, the X tools or pyatspi are not installed.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
export LC_ALL=C.UTF-8
for tool in Xvfb openbox xdotool xdpyinfo xprop dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
launcher=""
for l in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$l" ] && launcher=$l && break
done
[ -n "$launcher" ] || { echo "skipped: at-spi2-core is not installed"; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }

# The rest runs inside its own D-Bus session, which ends with it.
if [ -z "${MORVA_A11Y_SESSION:-}" ]; then
  MORVA_A11Y_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
app=""
bus=""
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/lib.sh"
cleanup() {
  [ -n "$bus" ] && kill "$bus" 2>/dev/null || true
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT

private_session 110
# Every mixer window opens with the control window.
printf '[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n' \
  >"$XDG_CONFIG_HOME/morva/Vozururo.ini"
export MORVA_TRACE="$work/trace.txt" CARDS=4
: >"$MORVA_TRACE"

"$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
bus=$!
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
MORVA_SIM="cards=$CARDS" "$program" >>"$work/program.log" 2>&1 &
app=$!
export MORVA_PID=$app
for _ in $(seq 200); do
  xdotool search --onlyvisible --name '^Einstellungen für Morva$' >/dev/null 2>&1 && break
  sleep 0.05
done
# A second start shows the running instance's control window.
MORVA_SIM="cards=$CARDS" "$program" >>"$work/program.log" 2>&1

status=0
timeout 60 /usr/bin/python3 "$here/accessibility_check.py" || status=$?
if [ "$status" -ne 0 ]; then
  echo "---- the program's output"
  cat "$work/program.log"
  echo "---- the accessibility bus"
  cat "$work/bus.log"
fi
exit "$status"
