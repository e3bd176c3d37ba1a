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
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/lib.sh"
source "$here/accessibility_lib.sh"
a11y_require
a11y_session "$0" "$@"

app="" bus=""
trap a11y_stop EXIT
# Every mixer window opens with the control window.
export CARDS=4
a11y_start 110 "$CARDS" \
  '[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n'

status=0
timeout 60 /usr/bin/python3 "$here/accessibility_check.py" || status=$?
[ "$status" -eq 0 ] || a11y_show_logs
exit "$status"
