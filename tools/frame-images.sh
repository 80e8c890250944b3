#!/usr/bin/env bash
# Regenerates the README's frame pictures in docs/images/: rendered frames and
# the animated preview from the portable path, and screenshots of the real
# saver under Wine on a 24-bit and an 8-bit display.
#
#   tools/frame-images.sh [NATIVE_BUILD] [WIN32_BUILD]   (default build/native build/win32)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$root/build/native}
win32=${2:-$root/build/win32}
out=$root/docs/images
render=$native/tools/navanava-render
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$render" --width 1024 --height 768 --count 100 --seed 7 --ticks 3600 --out "$out/frame-1024x768.png"
"$render" --width 640 --height 480 --count 40 --seed 7 --ticks 430 --depth 8 --out "$out/frame-640x480-8bit.png"
"$render" --width 800 --height 600 --count 40 --seed 7 --ticks 4 --step 4 --sequence 150 --out "$work/f.png"
convert -delay 4 -loop 0 "$work"/f-*.png -resize 50% -layers Optimize "$out/frame-preview.gif"

scr=$(find "$win32" -name navanava.scr -print -quit)
[ -n "$scr" ] || { echo "frame-images: navanava.scr not built, screenshots skipped" >&2; exit 0; }
for depth in 24 8; do
  (
    while IFS='=' read -r k v; do export "$k=$v"; done < <("$root/scripts/wine-session.sh" start "$depth")
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    python3 -c "import sys; open(sys.argv[1], 'wb').write('[ScreenSaver.NavaNava]\r\n速さ=10\r\n雪の数=40\r\n'.encode('cp932'))" \
      "$WINEPREFIX/drive_c/windows/control.ini"
    env LC_ALL=ja_JP.UTF-8 wine "$scr" /s &
    pid=$!
    # About 430 ticks in: the figure is on the screen even on a 480-line display.
    sleep 4.3
    id=$(xdotool search --name "Screen Saver" | head -1)
    # The window's own colormap: on the 8-bit display no window manager installs it.
    import -window "$id" "$out/frame-saver-${depth}bit.png"
    xdotool key --clearmodifiers space || true
    sleep 1
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -f "$WINEPREFIX/drive_c/windows/control.ini"
  )
done
echo "frame-images: written to $out"
