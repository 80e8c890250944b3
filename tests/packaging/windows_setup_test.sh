#!/usr/bin/env bash
# The setup program in a fresh prefix: its texts follow the system's
# language; a silent install puts the saver that fits into the system folder
# (on 64-bit Windows the x86-64 saver into the real one, past the redirection
# of the 32-bit setup program), selects it without touching the wait time and
# registers the uninstaller with its fields; the installed saver runs with /s
# and shows the scene; a second install upgrades in place; the silent
# uninstall removes the files, the program list's entry and the selection and
# keeps the settings; /NOSELECT and /REMOVESETTINGS leave another saver
# selected and remove the settings.
#
#   windows_setup_test.sh SETUP.exe FRAME_MATCH.exe RESOURCES [win64|win32]
#
# win64 (the default): a prefix of the 64-bit Wine, which runs the 32-bit
# setup program as 64-bit Windows does. win32: a prefix of the 32-bit Wine,
# as 32-bit Windows; where Wine's 32-bit programs run under an emulator this
# is skipped (each start of the 32-bit Wine there costs minutes, and the
# installed 32-bit saver meets the emulator's faults), unless
# NAVANAVA_SETUP_UNDER_EMULATOR=1 asks for it anyway.
#
# The prefix, its display and its wineserver are this test's alone and are
# stopped at the end.
set -euo pipefail
for arg in "$1" "$2" "$3"; do [ -e "$arg" ] || { echo "windows_setup_test: $arg is missing" >&2; exit 2; }; done
setup=$(realpath "$1") frame_match=$(realpath "$2") resources=$(realpath "$3")
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$scripts/x-server.sh"

arch=${4:-win64}
case "$arch" in
  win64) machine_wanted=8664 machine_name=x86-64 ;;
  win32) machine_wanted=014c machine_name=i386 ;;
  *) echo "windows_setup_test: the Wine is win64 or win32, not '$arch'" >&2; exit 2 ;;
esac
# The Wine of that architecture, with a root of its own below the build's
# Wine root (a root holds one template prefix, of one architecture).
export NAVANAVA_WINE_ARCH=$arch
export NAVANAVA_WINE_ROOT=${NAVANAVA_WINE_ROOT:-$scripts/../build/wine}/setup-$arch
if [ "$arch" = win32 ] && [ "${NAVANAVA_SETUP_UNDER_EMULATOR:-}" != 1 ]; then
  "$scripts/wine-session.sh" needs-native || exit $?
fi
mkdir -p "$NAVANAVA_WINE_ROOT"
session="$NAVANAVA_WINE_ROOT/d24-setup"
work=$(mktemp -d "${TMPDIR:-/tmp}/navanava-setup.XXXXXX")
saver_pid=""
cleanup() {
  if [ -n "$saver_pid" ]; then kill "$saver_pid" 2>/dev/null || true; wait "$saver_pid" 2>/dev/null || true; fi
  "$scripts/wine-session.sh" stop || true
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh prefix: the last run's server is stopped and its prefix removed, so
# that the session copies the template anew.
"$scripts/wine-session.sh" stop
rm -rf "$session/prefix"
while IFS='=' read -r k v; do export "$k=$v"; done < <("$scripts/wine-session.sh" start 24 setup)
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
c="$WINEPREFIX/drive_c"
program_dir="$c/Program Files/NavaNava"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() {  # check WHAT COMMAND...: passes when COMMAND succeeds
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# `reg query`'s output for a key or a value. A Wine start on a loaded machine
# now and then prints nothing at all (seen once in a run of dozens); an empty
# answer is therefore asked again, twice, before it counts as "absent", and
# what the failed starts said goes to the log.
reg_query() {
  local out="" attempt
  for attempt in 1 2 3; do
    out=$(wine reg query "$@" 2>"$work/reg.err" | tr -d '\r' || true)
    case "$out" in *HKEY_*) break ;; esac
    if [ -s "$work/reg.err" ] && ! grep -q 'Unable to find' "$work/reg.err"; then
      echo "(reg query $*, start $attempt: $(tr '\n' ' ' <"$work/reg.err" | cut -c1-300))" >&2
    fi
  done
  printf '%s\n' "$out"
}
# The value of a registry entry as `reg query` prints it ("" when absent:
# a missing entry is a failed check, never the end of the script).
reg_value() {
  reg_query "$1" /v "$2" |
    awk -v name="$2" '{ line = $0; sub(/^ +/, "", line) }
      index(line, name "    ") == 1 { sub(/^[^ ]+    [^ ]+    /, "", line); print line; exit }'
}
reg_type() {
  reg_query "$1" /v "$2" |
    awk -v name="$2" '{ line = $0; sub(/^ +/, "", line) }
      index(line, name "    ") == 1 { split(line, f, "    "); print f[2]; exit }'
}
key_exists() { case "$(reg_query "$1")" in *HKEY_*) return 0 ;; *) return 1 ;; esac; }
lower() { tr '[:upper:]' '[:lower:]'; }
# The machine field of a PE image's file header: 014c for i386, 8664 for x86-64.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
# Runs a Windows program in the foreground; its exit status in $rc.
run() { rc=0; env LC_ALL=en_US.UTF-8 wine "$@" </dev/null >"$work/out" 2>&1 || rc=$?; }
# The uninstaller hands over to a copy of itself in a temporary folder
# (~nsuN.tmp\Un.exe), started before it returns, and returns at once: wait
# (bounded generously) until no such copy runs in this prefix.
uninstaller_running() {
  local p
  for p in /proc/[0-9]*; do
    # A process may end between the listing and the reading.
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -q '~nsu[^ ]*\.tmp\\Un\.exe' || continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
wait_uninstalled() {
  for _ in $(seq 900); do uninstaller_running || return 0; sleep 0.2; done
  return 1
}

desktop='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\NavaNava'
uninstall_key32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\NavaNava'
saver_windows='c:\windows\system32\navanava.scr'

# The user's state before: a wait time of their own and saved settings
# (speed 10 ms and no flakes, keys in the Japanese code page, as the saver
# writes them), with another program's section beside them.
wine reg add "$desktop" /v ScreenSaveTimeOut /t REG_SZ /d 420 /f >/dev/null
settings=$'[Other]\r\nkept=1\r\n[ScreenSaver.NavaNava]\r\n\x91\xac\x82\xb3=10\r\n\x90\xe1\x82\xcc\x90\x94=0\r\n'
printf '%s' "$settings" >"$c/windows/control.ini"

echo "== the setup program's language follows the system's"
# The first page's window title, in the setup program's own words, under
# each locale; the window is closed unanswered, nothing is installed.
setup_title() {
  local pid id="" title=""
  env LC_ALL="$1" LANG="$1" wine "$(printf 'Z:%s' "${setup//\//\\}")" </dev/null >/dev/null 2>&1 &
  pid=$!
  id=$(x_find_window '^NavaNava Saver' 90) || id=""
  [ -n "$id" ] && title=$(xdotool getwindowname "$id" 2>/dev/null || true)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for _ in $(seq 100); do xdotool search --name '^NavaNava Saver' >/dev/null 2>&1 || break; sleep 0.1; done
  echo "$title"
}
title=$(setup_title en_US.UTF-8)
check "in English under an English locale ('$title')" [ "$title" = "NavaNava Saver Setup" ]
title=$(setup_title ja_JP.UTF-8)
check "in Japanese under a Japanese locale ('$title')" [ "$title" = "NavaNava Saver セットアップ" ]
check "and nothing is installed by a closed setup program" [ ! -e "$c/windows/system32/navanava.scr" ]

echo "== silent install"
start=$(date +%s)
run "$(printf 'Z:%s' "${setup//\//\\}")" /S
echo "(the setup program took $(( $(date +%s) - start )) s)"
check "the setup program exits 0 (exit $rc)" [ "$rc" = 0 ]
check "the saver is in the system folder" [ -f "$c/windows/system32/navanava.scr" ]
if [ -f "$c/windows/system32/navanava.scr" ]; then
  machine=$(pe_machine "$c/windows/system32/navanava.scr")
  check "the installed saver is the $machine_name program (machine $machine)" [ "$machine" = "$machine_wanted" ]
fi
if [ "$arch" = win64 ]; then
  check "nothing went to the redirected 32-bit system folder" [ ! -e "$c/windows/syswow64/navanava.scr" ]
fi
check "the licence is in the setup folder" [ -f "$program_dir/LICENSE.txt" ]
selected=$(reg_value "$desktop" SCRNSAVE.EXE | lower)
check "SCRNSAVE.EXE names the installed saver ('$selected')" [ "$selected" = "$saver_windows" ]
check "the screen saver is switched on" [ "$(reg_value "$desktop" ScreenSaveActive)" = 1 ]
check "the wait time is the user's own" [ "$(reg_value "$desktop" ScreenSaveTimeOut)" = 420 ]

check "the uninstaller is registered (in the native view)" key_exists "$uninstall_key"
if [ "$arch" = win64 ]; then check "and not in the 32-bit view" eval '! key_exists "$uninstall_key32"'; fi
check_entry() {
  local name=$1 expected=$2 got
  got=$(reg_value "$uninstall_key" "$name")
  if [ "$got" = "$expected" ]; then pass "$name: $got"; else fail "$name is '$got', expected '$expected'"; fi
}
check_entry DisplayName "NavaNava Saver"
check_entry DisplayVersion 0.991
check_entry Publisher NavaNava
icon=$(reg_value "$uninstall_key" DisplayIcon | lower)
check "DisplayIcon is the installed saver's own icon ('$icon')" [ "$icon" = "$saver_windows,0" ]
check_entry UninstallString '"C:\Program Files\NavaNava\uninstall.exe"'
check_entry QuietUninstallString '"C:\Program Files\NavaNava\uninstall.exe" /S'
check "the uninstaller exists" [ -f "$program_dir/uninstall.exe" ]
# EstimatedSize in KB, rounded up, of every file installed.
bytes=0
for f in "$c/windows/system32/navanava.scr" "$program_dir/LICENSE.txt" "$program_dir/uninstall.exe"; do
  [ -f "$f" ] && bytes=$((bytes + $(stat -c %s "$f")))
done
size_kb=$(( (bytes + 1023) / 1024 ))
check "EstimatedSize is a DWORD" [ "$(reg_type "$uninstall_key" EstimatedSize)" = REG_DWORD ]
check_entry EstimatedSize "$(printf '0x%x' "$size_kb")"

echo "== the installed saver shows the scene"
xdotool mousemove 500 400
# `wine` execs the loader, which becomes the Windows process: its pid ends it.
env LC_ALL=ja_JP.UTF-8 wine 'C:\windows\system32\navanava.scr' /s </dev/null >/dev/null 2>&1 &
saver_pid=$!
window=$(x_find_window '^Screen Saver$') || window=""
check "the installed saver's full-screen window appears" [ -n "$window" ]
matched=""
if [ -n "$window" ]; then
  for attempt in 1 2 3; do
    sleep 1
    import -window root -depth 8 "$work/shot.ppm" || true
    if result=$(cd "$work" && wine "$(printf 'Z:%s' "${frame_match//\//\\}")" shot.ppm \
                  "$(printf 'Z:%s' "${resources//\//\\}")" 20000 2>&1); then
      matched=$result; break
    fi
  done
  shown=${matched:-$result}
  check "the screen shows the portable path's frame: ${shown//$'\r'/}" [ -n "$matched" ]
fi
kill "$saver_pid" 2>/dev/null || true
wait "$saver_pid" 2>/dev/null || true
saver_pid=""
# The Windows process too, if the wrapper's end left it running.
end_saver() { wine taskkill /f /im navanava.scr >/dev/null 2>&1 || true; }
end_saver

echo "== a second install over the first"
echo 'stale' >"$c/windows/system32/navanava.scr"
run "$(printf 'Z:%s' "${setup//\//\\}")" /S
check "the second install exits 0 (exit $rc)" [ "$rc" = 0 ]
machine=$(pe_machine "$c/windows/system32/navanava.scr" 2>/dev/null || echo none)
check "the program is replaced in place (machine $machine)" [ "$machine" = "$machine_wanted" ]
check_entry DisplayVersion 0.991
check "still one entry, in the native view" eval 'key_exists "$uninstall_key" && ! key_exists "$uninstall_key32"'

echo "== silent uninstall"
start=$(date +%s)
run 'C:\Program Files\NavaNava\uninstall.exe' /S
check "the uninstaller exits 0 (exit $rc)" [ "$rc" = 0 ]
check "the uninstaller's copy ends" wait_uninstalled
echo "(the uninstaller took $(( $(date +%s) - start )) s)"
check "the setup folder goes, the uninstaller with it" [ ! -e "$program_dir" ]
check "the saver is removed from the system folder" [ ! -e "$c/windows/system32/navanava.scr" ]
check "the program list's entry is removed" eval '! key_exists "$uninstall_key"'
check "the selection is removed" [ -z "$(reg_value "$desktop" SCRNSAVE.EXE)" ]
check "the wait time is still the user's own" [ "$(reg_value "$desktop" ScreenSaveTimeOut)" = 420 ]
check "the settings are kept byte for byte" cmp -s "$c/windows/control.ini" <(printf '%s' "$settings")

echo "== /NOSELECT with another saver selected, then /REMOVESETTINGS"
wine reg add "$desktop" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\windows\system32\other.scr' /f >/dev/null
run "$(printf 'Z:%s' "${setup//\//\\}")" /S /NOSELECT
check "the install exits 0 (exit $rc)" [ "$rc" = 0 ]
check "the other saver stays selected after /NOSELECT" \
  [ "$(reg_value "$desktop" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ]
run 'C:\Program Files\NavaNava\uninstall.exe' /S /REMOVESETTINGS
check "the uninstaller exits 0 (exit $rc)" [ "$rc" = 0 ]
check "the uninstaller's copy ends" wait_uninstalled
check "the setup folder goes" [ ! -e "$program_dir" ]
check "the saver is removed" [ ! -e "$c/windows/system32/navanava.scr" ]
check "the other saver stays selected" \
  [ "$(reg_value "$desktop" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ]
check "the saver's settings are removed" eval '! grep -q "ScreenSaver.NavaNava" "$c/windows/control.ini"'
check "another program's section is kept" grep -q '^kept=1' "$c/windows/control.ini"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
