# Shared by the end-to-end runs that need X servers of their own (two heads,
# a raised DPI): private X servers, a private Wine prefix held for the whole
# run, the saver started and watched by pid, screenshots judged by region.
# Sourced; the sourcing script sets `work` (a private folder) first and calls
# screens_cleanup from its EXIT trap.

scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/wine_runs.sh"  # and x-server.sh through it
wine_root=${NAVANAVA_WINE_ROOT:-$scripts/../build/wine}
mkdir -p "$wine_root/screens"
wine_root=$(cd "$wine_root" && pwd)
while IFS='=' read -r k v; do export "$k=$v"; done < <("$scripts/wine-session.sh" env)
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$wine_root/screens/prefix
locale=${NAVANAVA_LOCALE:-ja_JP.UTF-8}
x_pids=()     # X servers and X clients started here, newest last

# The prefix is this run's alone: another run waits here until it is done.
hold_prefix() {
  exec 8>"$wine_root/screens/lock"
  flock 8
  NAVANAVA_WINE_ROOT=$wine_root "$scripts/wine-session.sh" prefix "$WINEPREFIX" 8>&-
}

# start_x COMMAND...: an X server or client in the background, ended by
# stop_x or at cleanup.
start_x() {
  # It ends with this script, also when the test runner kills it outright.
  setpriv --pdeathsig=TERM "$@" </dev/null >/dev/null 2>&1 8>&- &
  x_pids+=($!)
}
# start_xvfb FIRST SCREEN: a private Xvfb on the first free display from
# FIRST up (see x-server.sh); its number in $x_server_number.
launch_xvfb() {
  start_x Xvfb ":$1" -screen 0 "$xvfb_screen" -noreset -nolisten tcp
  launched_pid=${x_pids[-1]}
}
start_xvfb() {
  xvfb_screen=$2
  x_server_start "$1" launch_xvfb
}
launch_xephyr() {
  start_x env DISPLAY=":$xephyr_outer" Xephyr ":$1" +xinerama -extension RANDR \
    -screen "$xephyr_first" -screen "$xephyr_second" -ac -noreset -nolisten tcp
  launched_pid=${x_pids[-1]}
}
stop_x() {
  for ((i = ${#x_pids[@]} - 1; i >= 0; i--)); do kill "${x_pids[$i]}" 2>/dev/null || true; done
  for pid in "${x_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  x_pids=()
}

# start_two_heads PRIMARY SECOND BACKDROP RRGGBB: Xvfb, and inside it Xephyr
# with Xinerama on and RandR off, which gives Wine two monitors side by side
# (the first one primary); a wineserver for them; the stand-in desktop
# (x11_backdrop) of that colour. DISPLAY is then the nested server.
start_two_heads() {
  stop_x
  wineserver -k 2>/dev/null || true
  start_xvfb 60 1600x800x24 || { fail "no Xvfb would start"; return 1; }
  xephyr_outer=$x_server_number xephyr_first=$1 xephyr_second=$2
  x_server_start $((xephyr_outer + 1)) launch_xephyr || { fail "no Xephyr would start"; return 1; }
  export DISPLAY=":$x_server_number"
  restart_wineserver
  start_x "$3" "$4"
  for _ in $(seq 300); do
    import -window root "$work/desktop.png"
    [ "$(region_colour "$work/desktop.png" 1x1+0+0)" = "${4^^}" ] && break
    sleep 0.1
  done
}

# A wineserver keeps the display it first saw: one is started afresh for
# every X server, and stopped before that server goes.
restart_wineserver() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p </dev/null >/dev/null 2>&1 8>&- || true
}

# The Windows programs' own view of the screen (see screen_probe.cpp).
probe_screen() {
  (cd "$work" && env LC_ALL="$locale" wine screen_probe.exe </dev/null 2>/dev/null 8>&- | tr -d '\r')
}

# The saver's settings: no flakes, so that a screenshot can be matched with
# the portable frame of some tick whatever the clock's seed.
settings_without_flakes() {
  mkdir -p "$WINEPREFIX/drive_c/windows"
  printf '[ScreenSaver.NavaNava]\r\n\x91\xac\x82\xb3=10\r\n\x90\xe1\x82\xcc\x90\x94=0\r\n' \
    >"$WINEPREFIX/drive_c/windows/control.ini"
}

# region_colour FILE WxH+X+Y: the region's one colour as RRGGBB, or "mixed".
region_colour() {
  local info
  info=$(convert "$1" -crop "$2" +repage -format '%k %[hex:p{0,0}]' info:- 2>/dev/null) || { echo unreadable; return; }
  set -- $info
  if [ "$1" = 1 ]; then echo "${2:0:6}"; else echo mixed; fi
}
expect_colour() {  # expect_colour FILE GEOMETRY RRGGBB WHAT
  local got; got=$(region_colour "$1" "$2")
  if [ "$got" = "${3^^}" ]; then pass "$4"; else fail "$4: $2 is $got, expected ${3^^}"; fi
}
# shoot_scene GEOMETRY FRAME_MATCH RESOURCES: screenshots of the root into
# $work/shot.png until the region equals the portable path's frame of some
# tick (three tries, since a shot may catch a frame half presented); the
# match, or what came closest, goes to $scene.
shoot_scene() {
  for _ in 1 2 3; do
    sleep 1
    import -window root "$work/shot.png"
    convert "$work/shot.png" -crop "$1" +repage -depth 8 "$work/region.ppm"
    if scene=$(cd "$work" && env LC_ALL="$locale" wine "$2" region.ppm "$(windows_path "$3")" 20000 </dev/null 2>&1 8>&-); then
      scene=${scene//$'\r'/}
      return 0
    fi
  done
  scene=${scene//$'\r'/}
  return 1
}

screens_cleanup() {
  wine_runs_end
  wineserver -k 2>/dev/null || true
  stop_x
  rm -rf "$work"
}
