#!/usr/bin/env bash
# Private X servers and Wine prefixes for the tests, one pair per display depth
# (a wineserver keeps the display it first saw, so depths never share a prefix).
#
#   wine-session.sh start DEPTH [NAME]  start Xvfb and a persistent wineserver; print env lines
#   wine-session.sh stop                 stop every wineserver and Xvfb started here
#   wine-session.sh prefix DIR           make DIR a fresh prefix (DISPLAY set)
#   wine-session.sh env                  print the env lines every Wine run here uses
#   wine-session.sh emulated             exit 0 when Wine's programs run under an emulator
#   wine-session.sh needs-native         exit 77 (CTest's skip) with a line saying why when they do
#
# $NAVANAVA_WINE_ARCH picks the Wine: win32 (default) for the 32-bit program,
# win64 for the x86-64 one (each build's CTest sets it, see CMakeLists.txt).
# A NAME gives a session of its own at that depth (its own display and
# prefix), for tests that take over the display (full-screen windows, the
# pointer and the keyboard focus) and so cannot share it with others that
# run at the same time. State lives in $NAVANAVA_WINE_ROOT (default:
# <repo>/build/wine; each Windows build's CTest uses <build>/wine).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x-server.sh"
root=${NAVANAVA_WINE_ROOT:-$here/../build/wine}
mkdir -p "$root"
root=$(cd "$root" && pwd)
arch=${NAVANAVA_WINE_ARCH:-win32}
case "$arch" in
  win32|win64) ;;
  *) echo "wine-session: NAVANAVA_WINE_ARCH must be win32 or win64, not '$arch'" >&2; exit 2 ;;
esac

# Where the kernel cannot run 32-bit programs, Wine's run under QEMU's user
# emulator, which by default gives the program a 4 GB address space and places
# libraries where Wine wants to reserve memory. Wine then reserves the top
# half 64 KB at a time: about 65,000 mmap calls, some 50 s of every program's
# start. A space just above 2 GB (the user half plus the shared page at
# 0x7ffe0000 and room for the stack) starts a program in a few seconds.
# Nothing else reads the variable, so it is set everywhere.
export QEMU_RESERVED_VA=0x82000000
export WINEDEBUG=-all WINEARCH=$arch

# Debian's /usr/bin/wine always starts the 32-bit loader when wine32 is
# installed, and wine64 puts nothing on the PATH. For the x86-64 program the
# session puts `wine` and `wineserver` of its own first on the PATH, so that
# every script that runs `wine` gets the 64-bit loader (a program the 64-bit
# loader starts looks for its server through WINESERVER).
wine64_bin() {
  local bin="$root/bin"
  if [ ! -x "$bin/wine" ] || [ ! -x "$bin/wineserver" ]; then
    mkdir -p "$bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/wine.new"
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$bin/wineserver.new"
    chmod 755 "$bin/wine.new" "$bin/wineserver.new"
    mv "$bin/wine.new" "$bin/wine"
    mv "$bin/wineserver.new" "$bin/wineserver"
  fi
  echo "$bin"
}
if [ "$arch" = win64 ]; then
  if [ ! -x /usr/lib/wine/wine64 ]; then
    echo "wine-session: 64-bit Wine is not installed (Debian's wine64 package; make deps)" >&2
    exit 1
  fi
  bin=$(wine64_bin)
  case ":$PATH:" in *":$bin:"*) ;; *) export PATH="$bin:$PATH" ;; esac
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fi
# Whether this machine runs Wine's 32-bit programs under QEMU (registered for
# i386 programs by install-deps.sh only where the kernel cannot run them).
# QEMU's signal frames carry no trap number, so Wine takes every page fault
# of a program for an illegal instruction: a fault the program expects (its
# own fault guard) and the ones Wine itself handles (in its virtual desktop,
# in some keyboard and password paths) end the program instead. Tests that
# meet such faults say so and leave those cases out on such a machine.
# The x86-64 program always runs natively.
emulated() { [ "$arch" = win32 ] && grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; }

common_env() {
  echo "QEMU_RESERVED_VA=$QEMU_RESERVED_VA"
  echo "WINEDEBUG=$WINEDEBUG"
  echo "WINEARCH=$WINEARCH"
  echo "NAVANAVA_WINE_ARCH=$arch"
  echo "NAVANAVA_WINE_ROOT=$root"
  if [ "$arch" = win64 ]; then
    echo "PATH=$PATH"
    echo "WINELOADER=$WINELOADER"
    echo "WINESERVER=$WINESERVER"
  fi
  if emulated; then echo "NAVANAVA_EMULATED=1"; fi
}

geometry_for() {
  case "$1" in
    8) echo "640x480x8" ;;
    16) echo "800x600x16" ;;
    *) echo "1024x768x24" ;;
  esac
}

alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

# Makes $1 a new prefix: a copy of one booted prefix that every session
# shares as its template. Booting a prefix runs dozens of Wine programs
# (minutes where Wine's 32-bit programs run under an emulator); copying one
# takes a moment. The copy is made while no wineserver runs on either, and
# each session's first wineserver then reads its own display.
make_prefix() {
  local target=$1 template="$root/template"
  [ -f "$target/system.reg" ] && return 0
  (
    exec 7>"$root/template.lock"
    flock 7
    local attempt rc
    for attempt in 1 2 3; do
      [ -f "$template/ready" ] && break
      rm -rf "$template"
      mkdir -p "$template"
      # Under the emulator a boot takes 1.5 to 3 minutes, but now and then
      # its service host spins for good and the boot never returns: after
      # ten minutes it is stopped and the prefix booted again from nothing.
      rc=0
      WINEPREFIX="$template/prefix" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
        timeout -k 10 600 wine wineboot.exe -i </dev/null >/dev/null 2>&1 7>&- 8>&- 9>&- || rc=$?
      # The boot's helpers (the desktop, the device service) may never end
      # by themselves under the emulator: wait a while, then stop the
      # server, which saves the registry as it goes.
      WINEPREFIX="$template/prefix" timeout 30 wineserver -w 7>&- 8>&- 9>&- || true
      WINEPREFIX="$template/prefix" wineserver -k 7>&- 8>&- 9>&- 2>/dev/null || true
      WINEPREFIX="$template/prefix" timeout 60 wineserver -w 7>&- 8>&- 9>&- || true
      if [ "$rc" -lt 124 ] && [ -f "$template/prefix/system.reg" ]; then
        touch "$template/ready"
      else
        echo "wine-session: the template prefix's boot did not finish (attempt $attempt, status $rc)" >&2
      fi
    done
    [ -f "$template/ready" ] || { echo "wine-session: the template prefix did not boot" >&2; exit 1; }
    rm -rf "$target.new"
    mkdir -p "$(dirname "$target")"
    cp -a "$template/prefix" "$target.new"
    rm -rf "$target"
    mv "$target.new" "$target"
  )
}

launch_xvfb() {
  Xvfb ":$1" -screen 0 "$(geometry_for "$depth")" -noreset -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
  launched_pid=$!
}

start() {
  depth=$1
  local dir="$root/d$1${2:+-$2}"
  mkdir -p "$dir"
  exec 9>"$dir/lock"
  flock 9
  if ! alive "$dir/xvfb.pid"; then
    if ! x_server_start $(( 90 + depth )) launch_xvfb; then
      echo "wine-session: no Xvfb would start" >&2
      exit 1
    fi
    echo "$x_server_pid" >"$dir/xvfb.pid"
    echo ":$x_server_number" >"$dir/display"
    # A prefix remembers the display of its first wineserver: start it afresh.
    WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true
  fi
  export DISPLAY=$(cat "$dir/display") WINEPREFIX="$dir/prefix" \
         WINEDLLOVERRIDES="mscoree,mshtml="
  make_prefix "$dir/prefix"
  # Keeps one wineserver up for the prefix; returns at once when one runs.
  wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
  flock -u 9
  echo "DISPLAY=$DISPLAY"
  echo "WINEPREFIX=$WINEPREFIX"
  common_env
}

stop() {
  for dir in "$root"/d*; do
    [ -d "$dir" ] || continue
    WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true
    if alive "$dir/xvfb.pid"; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true; fi
    rm -f "$dir/xvfb.pid"
  done
}

case "${1:-}" in
  start) start "${2:-24}" "${3:-}" ;;
  stop) stop ;;
  prefix) make_prefix "${2:?prefix folder}" ;;
  env) common_env ;;
  emulated) emulated ;;
  needs-native)
    if emulated; then
      echo "skipped: Wine's programs run under an emulator here, which ends the saver at random on input"
      exit 77
    fi ;;
  *) echo "usage: $0 start DEPTH [NAME] | stop | prefix DIR | env | emulated | needs-native" >&2; exit 2 ;;
esac
