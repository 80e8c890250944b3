#!/usr/bin/env bash
# The share of one core that the saver and its display server use together,
# with default settings, at 1920x1080 and 3840x2160 (or the sizes given):
# navanava-wayland on a headless sway (software renderer, run as nobody),
# and beside it the X11 program on Xvfb at the same size, in one run.
#
#   bench/wayland-cpu-share.sh [SECONDS [WIDTHxHEIGHT ...]]
#
# Env: WAYLAND_PROGRAM, X11_PROGRAM (default: found under build/native),
# DELAY seconds before measuring (default 3). As root (sway refuses root and
# runs as nobody).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
span=${1:-10}; shift || true
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080 3840x2160)
wayland=${WAYLAND_PROGRAM:-$(find "$here/build/native" -name navanava-wayland -type f -perm -u+x -print -quit)}
x11=${X11_PROGRAM:-$(find "$here/build/native" -name navanava -type f -perm -u+x -print -quit)}
work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
hz=$(getconf CLK_TCK)

cpu_ticks() {  # user + system clock ticks of the processes given
  local total=0 p
  for p in "$@"; do
    [ -r "/proc/$p/stat" ] || continue
    total=$(( total + $(sed 's/.*) //' "/proc/$p/stat" | awk '{print $12 + $13}') ))
  done
  echo "$total"
}

measure() {  # label, server pid, program pid
  local label=$1 server=$2 program=$3
  sleep "${DELAY:-3}"
  local a s0 t0 b s1 t1
  a=$(cpu_ticks "$program"); s0=$(cpu_ticks "$server"); t0=$(date +%s.%N)
  sleep "$span"
  b=$(cpu_ticks "$program"); s1=$(cpu_ticks "$server"); t1=$(date +%s.%N)
  python3 - "$label" "$a" "$b" "$s0" "$s1" "$t0" "$t1" "$hz" <<'PY'
import sys
label, a, b, s0, s1, t0, t1, hz = sys.argv[1], *map(float, sys.argv[2:])
span = t1 - t0
p = (b - a) / hz / span * 100
s = (s1 - s0) / hz / span * 100
print("  %-26s program %5.2f %%  server %5.2f %%  together %5.2f %% of one core" % (label, p, s, p + s))
PY
}

stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

# A command prefix, not a function: started with &, the pid is then the
# program's own (setpriv and env replace themselves with it).
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/run")

echo "default settings (10 ms, 10 flakes), ${span} s each:"
for size in "${sizes[@]}"; do
  echo "$size:"
  # navanava-wayland on headless sway.
  rm -rf "$work/run" "$work/home"
  mkdir -m 700 "$work/run"; mkdir -p "$work/home/config"
  chown -R nobody:nogroup "$work/run" "$work/home"
  echo "output HEADLESS-1 mode $size" >"$work/sway.conf"; chmod 644 "$work/sway.conf"
  "${as_nobody[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    WLR_HEADLESS_OUTPUTS=1 sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
  sway=$!; pids+=("$sway")
  for _ in $(seq 200); do [ -S "$work/run/wayland-1" ] && break; sleep 0.05; done
  "${as_nobody[@]}" WAYLAND_DISPLAY=wayland-1 "$wayland" &
  prog=$!; pids+=("$prog")
  measure "navanava-wayland, sway" "$sway" "$prog"
  stop "$prog"
  # The same with the picture stopped after its first tick: what the
  # compositor costs with the saver's surfaces shown but nothing changing.
  "${as_nobody[@]}" WAYLAND_DISPLAY=wayland-1 "$wayland" --ticks 1 &
  prog=$!; pids+=("$prog")
  measure "  the same, picture stopped" "$sway" "$prog"
  stop "$prog"; stop "$sway"

  # The X11 program on Xvfb.
  n=170
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset </dev/null >/dev/null 2>&1 &
  xvfb=$!; pids+=("$xvfb")
  for _ in $(seq 200); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  DISPLAY=":$n" XDG_CONFIG_HOME="$work/home/config" "$x11" --root &
  prog=$!; pids+=("$prog")
  measure "navanava (X11), Xvfb" "$xvfb" "$prog"
  stop "$prog"; stop "$xvfb"
done
