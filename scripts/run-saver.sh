#!/usr/bin/env bash
# Shows the saver full screen under Wine: on $DISPLAY when there is one (any
# key, click or mouse move ends it), otherwise on a private Xvfb, where it
# runs for a few seconds, is photographed to build/run-screenshot.png and is
# then ended with a key press like a user would.
#
#   run-saver.sh [BUILD]   BUILD: the folder of the builds (default build/)
#
# It runs the 32-bit program (BUILD/win32) where the kernel runs 32-bit
# programs, and the x86-64 one (BUILD/win64) under 64-bit Wine where it
# cannot: there the 32-bit one would run under an emulator, take minutes to
# start and print the emulator's messages.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x-server.sh"
root=$(cd "$here/.." && pwd)
build=${1:-$root/build}
if NAVANAVA_WINE_ARCH=win32 "$here/wine-session.sh" emulated || ! [ -f "$build/win32/win32/navanava.scr" ]; then
  export NAVANAVA_WINE_ARCH=win64
else
  export NAVANAVA_WINE_ARCH=win32
fi
scr=$build/$NAVANAVA_WINE_ARCH/win32/navanava.scr
if [ ! -f "$scr" ]; then
  echo "run-saver: $scr was not built" >&2
  exit 1
fi
echo "run-saver: $scr"
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-navanava-$NAVANAVA_WINE_ARCH}
  # A prefix of the program's architecture, booted once.
  NAVANAVA_WINE_ROOT=$build/wine-run-$NAVANAVA_WINE_ARCH "$here/wine-session.sh" prefix "$WINEPREFIX"
fi
export NAVANAVA_WINE_ROOT=${NAVANAVA_WINE_ROOT:-$build/wine-run-$NAVANAVA_WINE_ARCH}
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" env)
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ]; then
  exec env LC_ALL=ja_JP.UTF-8 wine "$scr" /s
fi

# No display: a private X server and prefix of our own, stopped at the end.
shot=$root/build/run-screenshot.png
trap '"$here/wine-session.sh" stop' EXIT
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" start 24)
env LC_ALL=ja_JP.UTF-8 wine "$scr" /s &
pid=$!
window=$(x_find_window '^Screen Saver$') || window=""
sleep 4
import -window root "$shot"
echo "run-saver: no display; the saver ran on a private X server, screenshot: $shot"
if [ -n "$window" ]; then
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key space
fi
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "run-saver: the saver did not end on a key press" >&2
  kill "$pid" 2>/dev/null || true
fi
rc=0
wait "$pid" || rc=$?
echo "run-saver: the saver ended with exit code $rc"
