#!/usr/bin/env bash
# Regenerates docs/images/two-heads.png: the saver under Wine on two monitors
# (a nested Xephyr with Xinerama, 800 x 600 primary and 640 x 480 to its
# right), before it starts and while it runs, each head drawn as a screen of
# its own.
#
#   tools/two-heads-picture.sh [WIN32_BUILD]   (default build/win32)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win32=${1:-$root/build/win32}
out=$root/docs/images/two-heads.png
scr=$win32/win32/navanava.scr
probe=$win32/tests/host/screen_probe.exe
backdrop=$win32/tests/host/x11_backdrop
for f in "$scr" "$probe" "$backdrop"; do
  [ -e "$f" ] || { echo "two-heads-picture: $f is not built" >&2; exit 1; }
done

work=$(mktemp -d)
source "$root/tests/host/screens_common.sh"
trap screens_cleanup EXIT
hold_prefix
cp "$scr" "$work/navanava.scr"
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
python3 -c "import sys; open(sys.argv[1], 'wb').write('[ScreenSaver.NavaNava]\r\n速さ=10\r\n雪の数=40\r\n'.encode('cp932'))" \
  "$WINEPREFIX/drive_c/windows/control.ini"

start_two_heads 800x600 640x480 "$backdrop" 3a6ea5
xdotool mousemove 1100 240
import -window root "$work/before.png"
start navanava.scr /s
# About 600 ticks in: the figure is well inside the primary head.
sleep 6.5
import -window root "$work/during.png"
xdotool key --clearmodifiers space || true
exit_code "$last_pid" 15 >/dev/null
rm -f "$WINEPREFIX/drive_c/windows/control.ini"

font=$(fc-match -f '%{file}' 'IPAGothic' 2>/dev/null || true)
for shot in before during; do
  convert "$work/$shot.png" -crop 800x600+0+0 +repage -bordercolor '#606060' -border 8 "$work/$shot-1.png"
  convert "$work/$shot.png" -crop 640x480+800+0 +repage -bordercolor '#606060' -border 8 "$work/$shot-2.png"
  convert "$work/$shot-1.png" \( -size 24x1 xc:white \) "$work/$shot-2.png" -background white \
    -gravity north +append "$work/$shot-row.png"
done
convert -font "${font:-DejaVu-Sans}" -pointsize 26 -background white -gravity northwest \
  \( "$work/before-row.png" -splice 0x40 -annotate +4+6 'Before: the desktop on both monitors' \) \
  \( -size 1x24 xc:white \) \
  \( "$work/during-row.png" -splice 0x40 -annotate +4+6 'While the saver runs: the scene on the primary monitor, the other one black' \) \
  -append -resize 60% "$out"
echo "two-heads-picture: $out"
