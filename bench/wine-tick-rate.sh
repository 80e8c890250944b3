#!/usr/bin/env bash
# Measures the real saver's tick rate and CPU share under Wine.
#
#   bench/wine-tick-rate.sh BUILD_DIR INTERVAL_MS FLAKES [SECONDS]
#
# Writes the two settings to the prefix's control.ini, starts navanava.scr /s
# on the private 24-bit test display, and takes two screenshots SECONDS apart
# (default 6). The figure walks one pixel per tick, so the shift of its right
# edge over the time between the shots is the tick rate. The CPU share is the
# saver process's user and system time over the same span (the X server and
# the wineserver are reported beside it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build dir}; interval=${2:?interval}; flakes=${3:?flakes}; span=${4:-6}
scr=$(find "$build" -name navanava.scr -print -quit)
[ -n "$scr" ] || { echo "navanava.scr not built in $build" >&2; exit 1; }
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/scripts/wine-session.sh" start 24)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] && echo "shots in $work" || rm -rf "$work"' EXIT
python3 - "$WINEPREFIX/drive_c/windows/control.ini" "$interval" "$flakes" <<'PY'
import sys
path, interval, flakes = sys.argv[1], sys.argv[2], sys.argv[3]
text = "[ScreenSaver.NavaNava]\r\n速さ=%s\r\n雪の数=%s\r\n" % (interval, flakes)
open(path, "wb").write(text.encode("cp932"))
PY
env LC_ALL=ja_JP.UTF-8 wine "$scr" /s &
wine_pid=$!
# DELAY (seconds, default 2) before the first shot; with 100 flakes the near
# ones reach the screen only after about 30 s. The figure turns at the screen
# edges after some 8 s, so a long delay gives the CPU share but no tick rate.
sleep "${DELAY:-2}"
# Processes of this prefix only: other sessions may run savers of their own.
of_prefix() {
  for p in $(pgrep -f "$1" || true); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"; return
    fi
  done
}
saver=$(of_prefix 'navanava\.scr')
server=$(of_prefix 'wineserver')
xvfb=$(cat "$(dirname "$WINEPREFIX")/xvfb.pid")
ticks_of() {
  if [ -n "$1" ] && [ -r "/proc/$1/stat" ]; then
    # utime and stime: fields 14 and 15, after the name in parentheses.
    sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'
  else
    echo 0
  fi
}
shot() { import -window root -depth 8 "$work/$1.ppm"; date +%s.%N; }
c0=$(ticks_of "$saver"); x0=$(ticks_of "$xvfb"); s0=$(ticks_of "$server")
t0=$(shot a)
sleep "$span"
t1=$(shot b)
c1=$(ticks_of "$saver"); x1=$(ticks_of "$xvfb"); s1=$(ticks_of "$server")
xdotool key --clearmodifiers space 2>/dev/null || true
sleep 1
kill "$wine_pid" 2>/dev/null || true
wait "$wine_pid" 2>/dev/null || true
python3 - "$work/a.ppm" "$work/b.ppm" "$t0" "$t1" "$c0" "$c1" "$x0" "$x1" "$s0" "$s1" "$(getconf CLK_TCK)" "$interval" "$flakes" <<'PY'
import sys
def right_edge(path):
    data = open(path, "rb").read()
    parts = data.split(b"\n", 3)
    w, h = map(int, parts[1].split())
    px = parts[3]
    best = -1
    # The figure's warm colours (red well above blue); flakes are white and blue.
    for y in range(h):
        row = px[3 * w * y: 3 * w * (y + 1)]
        for x in range(w - 1, best, -1):
            r, b = row[3 * x], row[3 * x + 2]
            if r > 150 and r - b > 80:
                best = x
                break
    return best
a, b = right_edge(sys.argv[1]), right_edge(sys.argv[2])
t0, t1 = float(sys.argv[3]), float(sys.argv[4])
hz = float(sys.argv[11])
span = t1 - t0
cpu = lambda i: (float(sys.argv[i + 1]) - float(sys.argv[i])) / hz / span * 100
rate = "%.1f ticks/s" % ((b - a) / span) if 0 <= a < b else "no tick rate (the figure turned)"
print("interval %s ms, %s flakes: figure right edge %d -> %d in %.2f s: %s; "
      "CPU of one core: saver %.1f %%, Xvfb %.1f %%, wineserver %.1f %%"
      % (sys.argv[12], sys.argv[13], a, b, span, rate, cpu(5), cpu(7), cpu(9)))
PY
