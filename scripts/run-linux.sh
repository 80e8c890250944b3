#!/usr/bin/env bash
# Shows the native program: in a window of its own on $DISPLAY when there is
# one (q or Escape closes it), otherwise full size on a private Xvfb, where
# it runs for a few seconds, is photographed to build/run-linux-screenshot.png
# and is then ended with SIGTERM, as the screen saver daemon ends it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build/native}
program=$build/x11/navanava
if [ ! -x "$program" ]; then
  echo "run-linux: $program was not built" >&2
  exit 1
fi
if [ -n "${DISPLAY:-}" ]; then
  exec "$program"
fi

shot=$root/build/run-linux-screenshot.png
"$root/tests/x11/run_on_xvfb.sh" 1280x720x24 -- bash -c '
  program=$1 shot=$2
  "$program" --root --flakes 60 &
  pid=$!
  sleep 4
  import -window root "$shot"
  kill -TERM $pid
  rc=0
  wait $pid || rc=$?
  echo "run-linux: no display; the program ran on a private X server, screenshot: $shot"
  echo "run-linux: it ended on SIGTERM with exit code $rc"
' run-linux "$program" "$shot"
