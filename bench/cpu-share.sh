#!/usr/bin/env bash
# The share of one core that the saver and the X server use together, on a
# private Xvfb of a given size: the native X11 program, and the Windows saver
# under Wine beside it.
#
#   bench/cpu-share.sh WIDTHxHEIGHT INTERVAL_MS FLAKES [SECONDS]
#
# Env: NATIVE (default build/native/x11/navanava, or found under build/native),
# SCR (default: navanava.scr under build/win32; WINE=0 leaves Wine out),
# DELAY seconds before measuring (default 3). Prints one line per program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
size=${1:?WIDTHxHEIGHT}; interval=${2:?interval}; flakes=${3:?flakes}; span=${4:-10}
native=${NATIVE:-$(find "$here/build/native" -name navanava -type f -perm -u+x -print -quit 2>/dev/null)}
scr=${SCR:-$(find "$here/build/win32" -name navanava.scr -print -quit 2>/dev/null)}
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "${prog:-}" ] && kill "$prog" 2>/dev/null || true
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

n=170
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "${size}x24" -noreset -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
export DISPLAY=":$n"

cpu_ticks() {  # user + system clock ticks of the processes given
  local total=0 p
  for p in "$@"; do
    [ -r "/proc/$p/stat" ] || continue
    total=$(( total + $(sed 's/.*) //' "/proc/$p/stat" | awk '{print $12 + $13}') ))
  done
  echo "$total"
}
hz=$(getconf CLK_TCK)

measure() {  # label, then the pids whose time counts besides the X server
  local label=$1; shift
  sleep "${DELAY:-3}"
  local a x0 t0 b x1 t1
  a=$(cpu_ticks "$@"); x0=$(cpu_ticks "$xvfb"); t0=$(date +%s.%N)
  sleep "$span"
  b=$(cpu_ticks "$@"); x1=$(cpu_ticks "$xvfb"); t1=$(date +%s.%N)
  python3 - "$label" "$a" "$b" "$x0" "$x1" "$t0" "$t1" "$hz" <<'PY'
import sys
label, a, b, x0, x1, t0, t1, hz = sys.argv[1], *map(float, sys.argv[2:])
span = t1 - t0
p = (b - a) / hz / span * 100
x = (x1 - x0) / hz / span * 100
print("%-8s program %5.2f %%  X server %5.2f %%  together %5.2f %% of one core" % (label, p, x, p + x))
PY
}

echo "$size, interval $interval ms, $flakes flakes, ${span} s:"
if [ -n "$native" ]; then
  XDG_CONFIG_HOME=$work/config "$native" --root --interval "$interval" --flakes "$flakes" &
  prog=$!
  measure native "$prog"
  kill "$prog"; wait "$prog" 2>/dev/null || true
  prog=
fi

if [ "${WINE:-1}" != 0 ] && [ -n "$scr" ]; then
  while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/scripts/wine-session.sh" env)
  export WINEPREFIX=$here/build/wine-bench WINEDLLOVERRIDES="mscoree,mshtml="
  "$here/scripts/wine-session.sh" prefix "$WINEPREFIX"
  python3 - "$WINEPREFIX/drive_c/windows/control.ini" "$interval" "$flakes" <<'PY'
import sys
path, interval, flakes = sys.argv[1], sys.argv[2], sys.argv[3]
text = "[ScreenSaver.NavaNava]\r\n速さ=%s\r\n雪の数=%s\r\n" % (interval, flakes)
open(path, "wb").write(text.encode("cp932"))
PY
  env LC_ALL=ja_JP.UTF-8 wine "$scr" /s </dev/null >/dev/null 2>&1 &
  prog=$!
  sleep 2
  saver=$(pgrep -f 'navanava\.scr' | while read -r p; do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -1 || true)
  server=$(pgrep -x wineserver | while read -r p; do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -1 || true)
  measure wine $saver $server
  xdotool key --clearmodifiers space 2>/dev/null || true
  sleep 1
  kill "$prog" 2>/dev/null || true
  wait "$prog" 2>/dev/null || true
  prog=
fi
