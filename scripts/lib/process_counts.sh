# Sourced by the desktop load test and the desktop benchmark: what a
# process costs, read from the kernel and from its X connection.
#   wakeups PID       times any of its threads went to sleep (and so woke
#                     again): the voluntary context switches of all its
#                     threads. A preemption on a busy machine is no wake-up.
#   cpu_ns PID        processor time of all its threads, in the scheduler's
#                     nanoseconds (finer than the ticks of /proc/PID/stat)
#   start_counting_proxy LOG   a tracing proxy (xtrace) in front of the X
#                     server in DISPLAY; sets proxy_display (for the program)
#                     and proxy (its process id)
#   x_requests LOG    the requests that clients sent through the proxy
wakeups() {
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n + 0}'
}
cpu_ns() {
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%d\n", ns}'
}
start_counting_proxy() {
  local number=${DISPLAY#:}
  number=$((${number%%.*} + 1))
  while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
  done
  # -k: it outlives each client; the caller stops it.
  xtrace -n -k -d "$DISPLAY" -D ":$number" -o "$1" >/dev/null 2>&1 &
  proxy=$!
  proxy_display=":$number"
  for _ in $(seq 100); do
    [ -S "/tmp/.X11-unix/X$number" ] && return 0
    sleep 0.05
  done
  return 1
}
# Each request is one line "NNN:<:SEQ: LEN: Request(N): Name ...".
x_requests() {
  grep -c '^[0-9]*:<:' "$1" 2>/dev/null || true
}
