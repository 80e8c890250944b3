#!/usr/bin/env bash
# Shows the saver full screen under Wine: on $DISPLAY when there is one,
# otherwise on a private Xvfb, writing a screenshot to build/run-screenshot.png.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/win32}
scr=$(find "$build" -name navanava.scr -print -quit)
if [ -z "$scr" ]; then
  echo "run-saver: navanava.scr was not built" >&2
  exit 1
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-navanava}
  exec env LC_ALL=ja_JP.UTF-8 wine "$scr" /s
fi
shot=$(cd "$here/.." && pwd)/build/run-screenshot.png
trap '"$here/wine-session.sh" stop' EXIT
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" start 24)
env LC_ALL=ja_JP.UTF-8 wine "$scr" /s &
pid=$!
sleep 4
import -window root "$shot"
echo "run-saver: no display; the saver ran on a private X server, screenshot: $shot"
xdotool key --clearmodifiers space 2>/dev/null || true
sleep 1
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
