#!/usr/bin/env bash
# The program heard through Orca, the screen reader: on a private desktop
# and accessibility bus, Orca runs with its speech going only to its debug
# log (no speech server, no braille), and orca_check.py walks the analog
# inputs and outputs with Tab, Space, the arrows and flat review, sending
# the keys with xdotool and asserting what Orca says: names, roles, the
# buttons' states, the faders' and meters' decibels.
#   orca_test.sh PROGRAM
# Exits 77 (skipped) where Orca or the desktop tools are not installed.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
export LC_ALL=C.UTF-8
source "$here/../../scripts/lib/private_desktop.sh"
source "$here/lib.sh"
source "$here/accessibility_lib.sh"
a11y_require orca
a11y_session "$0" "$@"

app="" bus=""
trap a11y_stop EXIT
a11y_start 190 1 '[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogOutputs=1\r\n'

# Orca's own settings: what it says is logged, not spoken; no braille.
export ORCA_PREFS="$work/orca" ORCA_LOG="$work/orca.log"
mkdir -p "$ORCA_PREFS"
cat >"$ORCA_PREFS/user-settings.conf" <<'SETTINGS'
{"general": {"speechServerFactory": "", "enableBraille": false},
 "profiles": {"default": {"profile": ["Default", "default"], "speechServerFactory": "",
                          "enableBraille": false, "pronunciations": {}, "keybindings": {}}},
 "pronunciations": {}, "keybindings": {}}
SETTINGS

status=0
timeout 170 /usr/bin/python3 "$here/orca_check.py" || status=$?
if [ "$status" -ne 0 ]; then
  a11y_show_logs "$ORCA_LOG.err"
  echo "---- what Orca said"
  grep -ao "SPEECH OUTPUT: .*" "$ORCA_LOG" | sed "s/'[^']*$/'/" | tail -60 || true
fi
exit "$status"
