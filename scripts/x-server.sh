# Sourced by the scripts that start private X servers (Xvfb, Xephyr).
#
#   x_server_start FIRST LAUNCH
#
# LAUNCH is the name of a function that, given a display number N, starts an
# X server for :N in the background (always with -noreset, so that the server
# does not reset itself whenever its last client leaves) and stores its pid
# in `launched_pid`. The first number from FIRST up whose lock and socket are
# free is tried; when another program takes the same number at the same
# moment, the server started here fails and the next number is tried: the
# server is ours only once the display's lock file names its pid (the socket
# alone may be the other one's). Waits up to 30 s for the server to accept
# connections (a loaded machine starts slowly). On success sets
# x_server_number and x_server_pid; returns 1 when no server would start.
x_server_start() {
  local n=$1 launch=$2 attempt pid
  for attempt in $(seq 40); do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    "$launch" "$n"
    pid=$launched_pid
    for _ in $(seq 600); do
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$pid" ] && [ -e "/tmp/.X11-unix/X$n" ] &&
         DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        x_server_number=$n
        x_server_pid=$pid
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    n=$((n + 1))
  done
  return 1
}

#   x_find_window REGEX [SECONDS]
#
# Prints the first window on $DISPLAY whose name matches REGEX, waiting up
# to SECONDS (default 60: Wine starts slowly on a busy machine); returns 1
# when none appears. A search that meets a window going away fails with an X
# error and is simply tried again.
x_find_window() {
  local id tries=$(( ${2:-60} * 10 ))
  for _ in $(seq "$tries"); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
