#!/usr/bin/env bash
# Shows the saver full screen under Wine: on $DISPLAY when there is one (any
# key, click or mouse move ends it), otherwise on a private Xvfb, where it
# runs for a few seconds, is photographed to build/run-screenshot.png and is
# then ended with a key press like a user would.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build/win32}
scr=$build/win32/navanava.scr
[ -f "$scr" ] || scr=
if [ -z "$scr" ]; then
  echo "run-saver: navanava.scr was not built" >&2
  exit 1
fi
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" env)
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-navanava}
  exec env LC_ALL=ja_JP.UTF-8 wine "$scr" /s
fi

# No display: a private X server and prefix of our own, stopped at the end.
export NAVANAVA_WINE_ROOT=${NAVANAVA_WINE_ROOT:-$root/build/wine-run}
shot=$root/build/run-screenshot.png
trap '"$here/wine-session.sh" stop' EXIT
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" start 24)
env LC_ALL=ja_JP.UTF-8 wine "$scr" /s &
pid=$!
window=""
for _ in $(seq 600); do
  window=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
  sleep 0.1
done
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
