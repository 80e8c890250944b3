#!/usr/bin/env bash
# The share of one core that a screen saver and its display server use
# together, each pair on a private server of its own, in interleaved rounds,
# with the pictures and wake-ups per second of each program:
#
#   x11          navanava --root on Xvfb (24 bits)
#   wayland      navanava-wayland on headless sway (pixman renderer, as nobody)
#   wayland-off  the same with the output off: where sway cannot turn it off
#                (its headless output refuses), with sway stopped instead, so
#                that no frame callback comes
#   xsnow        Debian's xsnow with only its flakes (no trees, Santa, birds,
#                stars, meteors, moon, aurora, lying snow or wind) on Xvfb
#   wine         the Windows saver under Wine on Xvfb (/s)
#
#   bench/cpu-share.sh                     # everything below at its default
#   bench/cpu-share.sh WIDTHxHEIGHT INTERVAL_MS FLAKES [SECONDS]
#                                          # one size and setting, x11 and wine
#
# Env: SIZES ("1920x1080 3840x2160"), FLAKES ("10 100"), INTERVAL (10),
# PROGRAMS ("x11 wayland xsnow wayland-off"), ROUNDS (2), SPAN seconds measured
# (10), DELAY seconds before measuring (3), COUNT seconds of counting pictures
# (3); X11_PROGRAM, WAYLAND_PROGRAM (default: found under build/native), SCR
# (default: navanava.scr under build/win32). As root: sway refuses root and
# runs as nobody; xsnow and strace are installed with apt-get when missing.
#
# CPU time comes from /proc/PID/stat (all threads), wake-ups are the
# program's voluntary context switches (/proc/PID/task/*/status) over the
# same span. Pictures are counted afterwards, over COUNT seconds under
# strace: the writes that carry them to the server (writev for X, sendmsg
# for Wayland; the saver flushes once per picture, so for xsnow the figure is
# its flushes, an upper bound of its pictures).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ge 3 ]; then
  SIZES=$1 INTERVAL=$2 FLAKES=$3 SPAN=${4:-10}
  PROGRAMS=${PROGRAMS:-x11 wine} ROUNDS=${ROUNDS:-1}
fi
SIZES=${SIZES:-1920x1080 3840x2160}
FLAKES=${FLAKES:-10 100}
INTERVAL=${INTERVAL:-10}
PROGRAMS=${PROGRAMS:-x11 wayland xsnow wayland-off}
ROUNDS=${ROUNDS:-2}
SPAN=${SPAN:-10}
DELAY=${DELAY:-3}
COUNT=${COUNT:-3}
find_built() { find "$here/build/$1" -name "$2" -type f -print -quit 2>/dev/null || true; }
x11=${X11_PROGRAM:-$(find_built native navanava)}
wayland=${WAYLAND_PROGRAM:-$(find_built native navanava-wayland)}
scr=${SCR:-$(find_built win32 navanava.scr)}
xsnow=/usr/games/xsnow

wants() { [[ " $PROGRAMS " == *" $1 "* ]]; }
need() {  # command, package: installs what the run needs and is missing
  command -v "$1" >/dev/null 2>&1 && return 0
  echo "cpu-share: installing $2" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$2" >/dev/null
}
need strace strace
wants xsnow && [ ! -x "$xsnow" ] && need "$xsnow" xsnow

work=$(mktemp -d)
chmod 755 "$work"
# The Wayland program runs as nobody, who may not reach a checkout in a
# private folder: it runs from a copy here.
if [ -n "$wayland" ]; then
  cp "$wayland" "$work/navanava-wayland" && chmod 755 "$work/navanava-wayland"
  wayland=$work/navanava-wayland
fi
results=$work/results.tsv
: >"$results"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null || true; kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
hz=$(getconf CLK_TCK)

cpu_ticks() {  # user + system clock ticks of the processes given, all threads
  local total=0 p
  for p in "$@"; do
    [ -r "/proc/$p/stat" ] || continue
    total=$(( total + $(sed 's/.*) //' "/proc/$p/stat" | awk '{print $12 + $13}') ))
  done
  echo "$total"
}

switches() {  # voluntary context switches of every thread of the processes given
  local total=0 p n
  for p in "$@"; do
    for n in $(cat /proc/"$p"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/{print $2}'); do
      total=$((total + n))
    done
  done
  echo "$total"
}

pictures() {  # pid, system call: its calls per second over COUNT seconds
  local out=$work/strace.txt
  timeout -s INT "$COUNT" strace -f -c -e trace="$2" -o "$out" -p "$1" >/dev/null 2>&1 || true
  awk -v sc="$2" -v s="$COUNT" '$NF == sc {printf "%.1f", $4 / s; found = 1} END {if (!found) printf "0.0"}' "$out"
}

stop() { kill -CONT "$1" 2>/dev/null || true; kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

# measure KIND SIZE FLAKES ROUND SERVER PROGRAM [CALL]: one line of results.
measure() {
  local kind=$1 size=$2 flakes=$3 round=$4 server=$5 program=$6 call=${7:-}
  local p0 s0 w0 t0 p1 s1 w1 t1 rate=-
  # $program may name several processes (Wine's saver and wineserver).
  # shellcheck disable=SC2086
  p0=$(cpu_ticks $program); s0=$(cpu_ticks "$server"); w0=$(switches $program); t0=$(date +%s.%N)
  sleep "$SPAN"
  # shellcheck disable=SC2086
  p1=$(cpu_ticks $program); s1=$(cpu_ticks "$server"); w1=$(switches $program); t1=$(date +%s.%N)
  [ -n "$call" ] && rate=$(pictures "$program" "$call")
  python3 - "$kind" "$size" "$flakes" "$round" "$p0" "$p1" "$s0" "$s1" "$w0" "$w1" "$t0" "$t1" \
    "$hz" "$rate" >>"$results" <<'PY'
import sys
kind, size, flakes, rnd = sys.argv[1:5]
p0, p1, s0, s1, w0, w1, t0, t1, hz = map(float, sys.argv[5:14])
span = t1 - t0
print("\t".join([kind, size, flakes, rnd, "%.2f" % ((p1 - p0) / hz / span * 100),
                 "%.2f" % ((s1 - s0) / hz / span * 100), sys.argv[14],
                 "%.1f" % ((w1 - w0) / span)]))
PY
  tail -1 "$results" | awk -F'\t' '{printf "  round %s %-11s %-9s %3s flakes: program %5s %%  server %5s %%  together %5.2f %%  pictures/s %5s  wake-ups/s %5s\n", $4, $1, $2, $3, $5, $6, $5 + $6, $7, $8}'
}

start_xvfb() {  # size: sets xvfb and DISPLAY
  local n=170
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${1}x24" -noreset -nolisten tcp </dev/null >/dev/null 2>&1 &
  xvfb=$!; pids+=("$xvfb")
  for _ in $(seq 200); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  export DISPLAY=":$n"
}

# A command prefix, not a function: started with &, the pid is then the
# program's own (setpriv and env replace themselves with it).
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/run")

start_sway() {  # size: sets sway
  rm -rf "$work/run" "$work/home"
  mkdir -m 700 "$work/run"; mkdir -p "$work/home/config"
  chown -R nobody:nogroup "$work/run" "$work/home"
  echo "output HEADLESS-1 mode $1" >"$work/sway.conf"; chmod 644 "$work/sway.conf"
  "${as_nobody[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    WLR_HEADLESS_OUTPUTS=1 sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
  sway=$!; pids+=("$sway")
  for _ in $(seq 200); do [ -S "$work/run/wayland-1" ] && break; sleep 0.05; done
}

swaymsg_() { "${as_nobody[@]}" SWAYSOCK="$(ls "$work"/run/sway-ipc.*.sock)" swaymsg "$@"; }

run_one() {  # kind size flakes round
  local kind=$1 size=$2 flakes=$3 round=$4 prog
  case $kind in
    x11)
      [ -n "$x11" ] || return 0
      start_xvfb "$size"
      XDG_CONFIG_HOME=$work/config "$x11" --root --interval "$INTERVAL" --flakes "$flakes" &
      prog=$!; pids+=("$prog")
      sleep "$DELAY"
      measure x11 "$size" "$flakes" "$round" "$xvfb" "$prog" writev
      stop "$prog"; stop "$xvfb" ;;
    xsnow)
      start_xvfb "$size"
      mkdir -p "$work/xsnow-home"
      HOME=$work/xsnow-home "$xsnow" -notrees -nosanta -showbirds 0 -stars 0 -nometeors -moon 0 \
        -aurora 0 -nokeepsnow -noblowsnow -nomenu -noconfig -flakecountmax "$flakes" \
        </dev/null >/dev/null 2>&1 &
      prog=$!; pids+=("$prog")
      sleep "$DELAY"
      measure xsnow "$size" "$flakes" "$round" "$xvfb" "$prog" writev
      stop "$prog"; stop "$xvfb" ;;
    wayland | wayland-off)
      [ -n "$wayland" ] || return 0
      start_sway "$size"
      "${as_nobody[@]}" WAYLAND_DISPLAY=wayland-1 "$wayland" --interval "$INTERVAL" --flakes "$flakes" &
      prog=$!; pids+=("$prog")
      sleep "$DELAY"
      if [ "$kind" = wayland-off ]; then
        swaymsg_ "output * dpms off" >/dev/null 2>&1 || true
        if swaymsg_ -t get_outputs 2>/dev/null | grep -q '"dpms": false'; then
          sleep 1
          measure wayland-off "$size" "$flakes" "$round" "$sway" "$prog" sendmsg
        else
          [ "$round" = 1 ] && echo "  (sway did not turn its output off; stopping sway instead)"
          kill -STOP "$sway"; sleep 1
          measure wayland-off "$size" "$flakes" "$round" "$sway" "$prog" sendmsg
          kill -CONT "$sway"
        fi
      else
        measure wayland "$size" "$flakes" "$round" "$sway" "$prog" sendmsg
      fi
      stop "$prog"; stop "$sway" ;;
    wine)
      [ -n "$scr" ] || return 0
      start_xvfb "$size"
      while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/scripts/wine-session.sh" env)
      export WINEPREFIX=$here/build/wine-bench WINEDLLOVERRIDES="mscoree,mshtml="
      "$here/scripts/wine-session.sh" prefix "$WINEPREFIX"
      python3 - "$WINEPREFIX/drive_c/windows/control.ini" "$INTERVAL" "$flakes" <<'PY'
import sys
path, interval, flakes = sys.argv[1], sys.argv[2], sys.argv[3]
text = "[ScreenSaver.NavaNava]\r\n速さ=%s\r\n雪の数=%s\r\n" % (interval, flakes)
open(path, "wb").write(text.encode("cp932"))
PY
      env LC_ALL=ja_JP.UTF-8 wine "$scr" /s </dev/null >/dev/null 2>&1 &
      prog=$!; pids+=("$prog")
      sleep 2
      local saver server
      saver=$(pgrep -f 'navanava\.scr' | while read -r p; do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -1 || true)
      server=$(pgrep -x wineserver | while read -r p; do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -1 || true)
      sleep "$DELAY"
      # The saver and wineserver count as the program.
      measure wine "$size" "$flakes" "$round" "$xvfb" "$saver $server"
      xdotool key --clearmodifiers space 2>/dev/null || true
      sleep 1
      stop "$prog"; stop "$xvfb"
      wineserver -k 2>/dev/null || true ;;
  esac
}

echo "interval $INTERVAL ms; $ROUNDS interleaved rounds of ${SPAN} s each after ${DELAY} s; % of one core:"
for round in $(seq "$ROUNDS"); do
  for size in $SIZES; do
    for flakes in $FLAKES; do
      for kind in $PROGRAMS; do
        if [ "$kind" = wayland-off ] && [ "$flakes" != "${FLAKES%% *}" ]; then continue; fi
        run_one "$kind" "$size" "$flakes" "$round"
      done
    done
  done
done

echo
python3 - "$results" <<'PY'
import sys, collections
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1]) if l.strip()]
names = {"x11": "navanava + Xvfb", "wayland": "navanava-wayland + sway",
         "wayland-off": "navanava-wayland, output off", "xsnow": "xsnow, flakes only + Xvfb",
         "wine": "navanava.scr under Wine + Xvfb"}
groups = collections.OrderedDict()
for kind, size, flakes, rnd, p, s, pics, wakes in rows:
    groups.setdefault((kind, size, flakes), []).append((float(p), float(s), pics, float(wakes)))
mean = {}
print("%-31s %-9s %6s  %-13s %-13s %-13s %10s %11s" % ("program", "size", "flakes", "program %",
      "server %", "together %", "pictures/s", "wake-ups/s"))
def span(values):
    lo, hi = min(values), max(values)
    return "%.2f" % lo if abs(hi - lo) < 0.005 else "%.2f-%.2f" % (lo, hi)
for (kind, size, flakes), runs in groups.items():
    together = [p + s for p, s, _, _ in runs]
    mean[(kind, size, flakes)] = sum(together) / len(together)
    pics = [float(x) for _, _, x, _ in runs if x != "-"]
    print("%-31s %-9s %6s  %-13s %-13s %-13s %10s %11.1f" % (
        names.get(kind, kind), size, flakes, span([r[0] for r in runs]), span([r[1] for r in runs]),
        span(together), "%.1f" % (sum(pics) / len(pics)) if pics else "-",
        sum(r[3] for r in runs) / len(runs)))

def check(text, ok):
    print("  %-78s %s" % (text, "holds" if ok else "does not hold"))
print("\nGoals (means over the rounds):")
sizes = sorted({k[1] for k in mean}, key=lambda s: int(s.split("x")[0]))
flakes = sorted({k[2] for k in mean}, key=int)
small = sizes[0] if sizes else None
if ("x11", small, "10") in mean:
    x = mean[("x11", small, "10")]
    check("X11 + Xvfb at %s, default settings: %.2f %% <= 2 %%" % (small, x), x <= 2.0)
    if ("xsnow", small, "10") in mean:
        y = mean[("xsnow", small, "10")]
        check("  and <= 1/3 of xsnow's %.2f %% (ratio %.2f)" % (y, x / y), x <= y / 3)
for size in sizes:
    for f in flakes:
        if ("x11", size, f) in mean and ("xsnow", size, f) in mean:
            x, y = mean[("x11", size, f)], mean[("xsnow", size, f)]
            check("X11 + Xvfb at %s, %s flakes: %.2f %% <= 1/2 of xsnow's %.2f %% (ratio %.2f)"
                  % (size, f, x, y, x / y), x <= y / 2)
for size in sizes:
    for f in flakes:
        if ("wayland", size, f) in mean and ("x11", size, f) in mean:
            w, x = mean[("wayland", size, f)], mean[("x11", size, f)]
            check("Wayland + sway at %s, %s flakes: %.2f %% <= X11 + Xvfb %.2f %%" % (size, f, w, x),
                  w <= x)
for (kind, size, f), v in mean.items():
    if kind == "wayland-off":
        check("Wayland + sway at %s with the output off: %.2f %% <= 0.2 %%" % (size, v), v <= 0.2)
PY
