#!/usr/bin/env bash
# Takes the README's picture of the settings dialog: the program runs on a Wine
# virtual desktop (so that Wine draws the caption) in the Japanese code page,
# the dialog is activated with a click on its caption, and the dialog's
# rectangle is cut out of a screenshot.
#
#   dialog_screenshot.sh PROBE PROGRAM OUT.png
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
probe=$1 program=$2 out=$3
while IFS='=' read -r k v; do export "$k=$v"; done < <("$scripts/wine-session.sh" start 24)
work=$(mktemp -d /tmp/navanava-shot-XXXXXX)
desktop=navanava-shot
ini=$WINEPREFIX/drive_c/windows/control.ini
saved=""
if [ -f "$ini" ]; then saved=$work/saved.ini; cp "$ini" "$saved"; fi
finish() {
  rm -f "$ini"
  [ -n "$saved" ] && cp "$saved" "$ini"
  "$scripts/run-wine.sh" reg delete 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT
rm -f "$ini"  # the default settings
"$scripts/run-wine.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /d 1024x768 /f >/dev/null 2>&1
"$scripts/run-wine.sh" "$probe" "Z:${work//\//\\}\\info" --desktop "$desktop" "$program" /c >/dev/null 2>&1 &
for _ in $(seq 300); do [ -f "$work/info" ] && break; sleep 0.1; done
read -r l t r b <<<"$(awk '$1 == "window" { print $2, $3, $4, $5 }' "$work/info")"
window=$(xdotool search --name "^$desktop - Wine desktop\$" | head -1)
xdotool windowfocus --sync "$window" mousemove --sync $(((l + r) / 2)) $((t + 10)) click 1
sleep 0.5
import -window root -crop $((r - l + 16))x$((b - t + 16))+$((l - 8))+$((t - 8)) +repage "$out"
xdotool key Escape
wait
