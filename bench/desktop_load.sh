#!/usr/bin/env bash
# Runs morva-manager on a private X server (Xvfb + openbox) with every
# metering window open and prints what it costs: CPU % of one core for the
# program and for the X server (user + system time over wall time), the
# program's wake-ups a second (the voluntary context switches of all its
# threads), the X requests it sends a second (counted by a tracing proxy,
# xtrace, between it and the server; "n/a" where xtrace is missing),
# resident memory, and the time from start to the tray icon's window.
#   bench/desktop_load.sh PROGRAM [CARDS] [SECONDS]
# TRAY_ONLY=1 leaves every window closed (only the tray icon's stand-in);
# ALL_ON_SCREEN=1 makes the analog windows wide enough that no strip is
# scrolled out of view (with four cards all 80 meters show).
set -euo pipefail
program=$(realpath "$1")
cards=${2:-4}
seconds=${3:-20}
work=$(mktemp -d)
proxy=""
source "$(dirname "$0")/../scripts/lib/private_desktop.sh"
source "$(dirname "$0")/../scripts/lib/process_counts.sh"
cleanup() {
  [ -n "$proxy" ] && kill "$proxy" 2>/dev/null || true
  stop_private_desktop
  rm -rf "$work"
}
trap cleanup EXIT

start_private_desktop 99 "$work/desktop.log" ||
  { echo "openbox did not start:"; cat "$work/desktop.log"; exit 1; }
program_display=$DISPLAY
if command -v xtrace >/dev/null && start_counting_proxy "$work/requests.txt"; then
  program_display=$proxy_display
fi

# Showing the control window reopens all five mixer windows.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/morva" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
{
  printf '[Morva]\r\nchkAnalogInputs=1\r\nchkAnalogMonitors=1\r\nchkAnalogOutputs=1\r\nchkDigitalInputs=1\r\nchkDigitalOutputs=1\r\n'
  [ -z "${ALL_ON_SCREEN:-}" ] || printf '%s\r\n' Top=1000 Left=1400 '[Analog Inputs]' Top=0 Left=0 Width=1250 \
    '[Analog Outputs]' Top=540 Left=0 Width=1250 '[Analog Input Monitors]' Top=1000 Left=0 \
    '[Digital Input]' Top=0 Left=1250 '[Digital Output]' Top=540 Left=1250
} > "$XDG_CONFIG_HOME/morva/Vozururo.ini"

now_ms() { date +%s%3N; }

start=$(now_ms)
MORVA_SIM="cards=$cards ${MORVA_SIM_EXTRA:-}" DISPLAY="$program_display" "$program" >/dev/null 2>&1 &
app=$!
until xdotool search --name '^Einstellungen für Morva$' >/dev/null 2>&1 ||
      xdotool search --classname 'morva-manager' >/dev/null 2>&1; do
  kill -0 "$app" 2>/dev/null || { echo "morva-manager ended before showing a window"; exit 1; }
  sleep 0.005
done
tray_ms=$(( $(now_ms) - start ))
# A second start shows the control window, as a double click would.
[ -n "${TRAY_ONLY:-}" ] || MORVA_SIM="cards=$cards" "$program" >/dev/null 2>&1 || true
sleep 3

a0=$(cpu_ns "$app"); x0=$(cpu_ns "$xvfb"); w0=$(wakeups "$app"); r0=$(x_requests "$work/requests.txt")
t0=$(now_ms)
sleep "$seconds"
a1=$(cpu_ns "$app"); x1=$(cpu_ns "$xvfb"); w1=$(wakeups "$app"); r1=$(x_requests "$work/requests.txt")
t1=$(now_ms)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
wall=$(( t1 - t0 ))
requests=n/a
[ -n "$proxy" ] && requests=$(awk -v r=$((r1 - r0)) -v w="$wall" 'BEGIN {printf "%.1f", r / (w / 1000)}')
awk -v a=$((a1 - a0)) -v x=$((x1 - x0)) -v w="$wall" -v hz=1000000000 -v rss="$rss" -v tray="$tray_ms" \
    -v cards="$cards" -v s="$seconds" -v wake=$((w1 - w0)) -v req="$requests" 'BEGIN {
  printf "cards=%d seconds=%d program_cpu=%.3f%% xserver_cpu=%.3f%% wakeups_per_s=%.1f x_requests_per_s=%s rss=%.1fMB start_to_tray=%dms\n",
         cards, s, 100 * a / hz / (w / 1000), 100 * x / hz / (w / 1000), wake / (w / 1000), req, rss / 1024, tray }'
