#!/usr/bin/env bash
# The full-screen saver under Wine with the display set to 144 dots per inch
# (150 %, Wine's "LogPixels"), on a private Xvfb of 1024 x 768: the saver's
# window still covers the whole screen, and the screenshot equals the
# portable path's frame of some tick, so the figure is drawn at its real size
# in real pixels.
#
#   saver_dpi_e2e.sh SAVER.scr FRAME_MATCH.exe SCREEN_PROBE.exe RESOURCES
#
# The setting is made in the private prefix of these runs and taken back at
# the end.
set -euo pipefail
for arg in "$@"; do [ -e "$arg" ] || { echo "saver_dpi_e2e: $arg is missing" >&2; exit 2; }; done
saver=$(realpath "$1") frame_match=$(realpath "$2") screen_probe=$(realpath "$3")
resources=$(realpath "$4")

# Under an emulator Wine mistakes the faults it handles itself for illegal
# instructions (see scripts/wine-session.sh): no result to be had there.
"$(dirname "$0")/../../scripts/wine-session.sh" needs-native || exit $?

work=$(mktemp -d "${TMPDIR:-/tmp}/navanava-dpi.XXXXXX")
source "$(dirname "$0")/screens_common.sh"
dpi_cleanup() {
  wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  screens_cleanup
}
trap dpi_cleanup EXIT
hold_prefix

cp "$saver" "$work/navanava.scr"
cp "$screen_probe" "$work/screen_probe.exe"

start_xvfb 60 1024x768x24 || { fail "no Xvfb would start"; exit 1; }
export DISPLAY=":$x_server_number"
restart_wineserver
settings_without_flakes
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1

echo "== 1024 x 768 at 144 dots per inch"
probe=$(probe_screen)
if [ "$probe" != "screen 1024 768 virtual 0 0 1024 768 monitors 1 dpi 144" ]; then
  fail "Wine does not run at 144 dots per inch: $probe"
  exit 1
fi
pass "Wine's view: $probe"

xdotool mousemove 500 400; sleep 0.2
start navanava.scr /s
saver_pid=$last_pid
saver_window=$(find_window "Screen Saver") || { fail "no full-screen window"; exit 1; }
sleep 1
geometry=$(xdotool getwindowgeometry "$saver_window" | tr -s ' ' | paste -sd' ')
case "$geometry" in
  *"Position: 0,0"*"Geometry: 1024x768"*) pass "the window covers the 1024 x 768 screen" ;;
  *) fail "window geometry: $geometry" ;;
esac
if shoot_scene 1024x768+0+0 "$frame_match" "$resources"; then
  pass "the screen shows the portable frame at its real size: $scene"
else
  fail "the screen matches no frame: $scene"
fi
focus "$saver_window"; xdotool key a
expect_exit "$saver_pid" 0 10 "a key ends the saver with 0"

echo "== $failures failure(s)"
[ "$failures" = 0 ]
