# Sourced by the end-to-end runs under Wine: checks that count failures,
# Windows programs started in the background and watched by pid, their
# windows found and given the focus, and the test verifier's log. The
# sourcing script sets `work` (a private folder) and `locale` before it
# starts anything, and calls wine_runs_end from its cleanup.

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/x-server.sh"

failures=0
wine_pids=()  # subshells watching a Windows program (see start)

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# The Windows path of an absolute path through the prefix's Z: drive (the
# whole file system), without starting a Wine program as winepath would.
windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# Starts a program of the work folder in the background; its pid goes to
# $last_pid and its exit status, once it ends, to rc.<pid>. The program
# gets no stdin and none of the caller's held locks (fd 8).
start() {
  local program=$1; shift
  (
    cd "$work"
    env LC_ALL="$locale" wine "$program" "$@" </dev/null >/dev/null 2>&1 8>&- &
    echo $! >"$work/pid.$BASHPID"
    rc=0
    wait $! || rc=$?
    echo "$rc" >"$work/rc.$BASHPID"
  ) &
  last_pid=$!
  wine_pids+=("$last_pid")
}
alive() { [ ! -f "$work/rc.$1" ]; }
# exit_code PID SECONDS: the exit status, or "running" when it did not end.
# Waits at least 30 s whatever SECONDS says: an end is waited for, never
# timed (a loaded machine may take that long).
exit_code() {
  local pid=$1 tenths=$(( ($2 < 30 ? 30 : $2) * 10 ))
  for _ in $(seq "$tenths"); do [ -f "$work/rc.$pid" ] && break; sleep 0.1; done
  if [ -f "$work/rc.$pid" ]; then cat "$work/rc.$pid"; else echo running; fi
}
# stop_saver PID: a saver that a failed check left running ends by its pid.
stop_saver() {
  if alive "$1" && [ -f "$work/pid.$1" ]; then kill "$(cat "$work/pid.$1")" 2>/dev/null || true; fi
  exit_code "$1" 10 >/dev/null
}
expect_exit() {  # expect_exit PID CODE SECONDS WHAT; a saver still running is then ended
  local rc; rc=$(exit_code "$1" "$3")
  if [ "$rc" = "$2" ]; then pass "$4"; else fail "$4: exit $rc, expected $2"; fi
  [ "$rc" != running ] || stop_saver "$1"
}
expect_running() {
  if alive "$1"; then pass "$2"; else fail "$2: the saver ended"; fi
}
# Whatever a failed check left running ends by its Windows process's pid.
wine_runs_end() {
  local pid
  for pid in "${wine_pids[@]}"; do
    if [ ! -f "$work/rc.$pid" ] && [ -f "$work/pid.$pid" ]; then
      kill "$(cat "$work/pid.$pid")" 2>/dev/null || true
    fi
  done
  for pid in "${wine_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}

find_window() { x_find_window "^$1\$"; }  # the first X window titled exactly $1
# There is no window manager: the keyboard focus is given explicitly.
focus() {
  timeout 30 xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
  sleep 0.3
}

# The test password verifier logs a line per verification to verify.log.
verifications() { grep -c '^verify' "$work/verify.log" 2>/dev/null || true; }
wait_verifications() {  # wait_verifications N: until N verifications are logged (60 s)
  for _ in $(seq 600); do [ "$(verifications)" -ge "$1" ] && return 0; sleep 0.1; done
  return 1
}
# verify_field N NAME: NAME's value on the Nth verification line.
verify_field() { grep '^verify' "$work/verify.log" | sed -n "$1p" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
