#!/usr/bin/env bash
# Shows the web page: with a display, serves its folder on 127.0.0.1 and
# prints the address to open (Ctrl-C stops the server); without one, takes a
# picture of it in headless Chromium after six seconds of the scene.
set -euo pipefail
site=${1:-build/web}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${DISPLAY:-}" ]; then
  echo "NavaNava: open the address below in a browser; F or the button plays it full screen. Ctrl-C stops."
  exec node "$root/tools/web/serve.mjs" "$site" "${PORT:-0}"
fi
out=$(dirname "$(cd "$site" && pwd)")/web-screenshot.png
NAVANAVA_WEB_SITE=$(cd "$site" && pwd) node "$root/tests/web/screenshot.mjs" "$out" \
  --size 1024x768 --query "?flakes=${FLAKES:-40}" --tick 600 >/dev/null
echo "No display: the page after 600 ticks is in $out"
