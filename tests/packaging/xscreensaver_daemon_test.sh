#!/usr/bin/env bash
# The real XScreenSaver daemon runs the native program: on -activate the
# program draws the scene in the daemon's window (the screenshot equals the
# portable frame for the same seed and tick), on -deactivate it ends within a
# second, writes nothing to the daemon's log, and leaves no shared memory.
#
#   xscreensaver_daemon_test.sh PROGRAM NAVANAVA_RENDER [DEB]
#
# With DEB, the program is the one extracted from the Debian package, and the
# package's contents are checked first. NAVANAVA_SHOT=FILE keeps the
# screenshot.
set -euo pipefail
source "$(cd "$(dirname "$0")/../../scripts" && pwd)/x-server.sh"
program=$1 render=$2 deb=${3:-}
work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=
cleanup() {
  if [ -n "${home:-}" ] && [ -n "$xvfb_pid" ]; then
    as_daemon_user xscreensaver-command -exit >/dev/null 2>&1 || true
  fi
  pkill -u nobody -f "^$work/" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "${home:-/nonexistent}/xss.log" ] && sed 's/^/  log: /' "$home/xss.log" | tail -20; exit 1; }
checks=0
pass() { echo "ok: $*"; checks=$((checks + 1)); }

if [ -n "$deb" ]; then
  listing=$(dpkg-deb -c "$deb")
  for f in ./usr/libexec/xscreensaver/navanava ./usr/share/xscreensaver/config/navanava.xml \
           ./usr/share/man/man6/navanava.6x.gz; do
    grep -q " $f\$" <<<"$listing" || fail "package lacks $f"
  done
  grep -q -- '-rwxr-xr-x .* ./usr/libexec/xscreensaver/navanava$' <<<"$listing" \
    || fail "the program is not executable in the package"
  pass "package holds the program, the settings description and the manual page"
  dpkg-deb -x "$deb" "$work/root"
  chmod -R a+rX "$work/root"
  program=$work/root/usr/libexec/xscreensaver/navanava
  xmllint --noout "$work/root/usr/share/xscreensaver/config/navanava.xml" 2>/dev/null \
    || python3 -c "import sys,xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])" \
         "$work/root/usr/share/xscreensaver/config/navanava.xml" \
    || fail "navanava.xml is not well-formed"
  pass "navanava.xml is well-formed"
else
  mkdir -p "$work/bin"
  cp "$program" "$work/bin/navanava"
  chmod 755 "$work/bin" "$work/bin/navanava"
  program=$work/bin/navanava
fi

# A private X server. Waits below are generous: a loaded machine starts
# everything slowly.
launch_xvfb() {
  setpriv --pdeathsig=TERM Xvfb ":$1" -screen 0 800x600x24 -noreset -nolisten tcp </dev/null >/dev/null 2>&1 &
  launched_pid=$!
  xvfb_pid=$launched_pid
}
x_server_start 150 launch_xvfb || { xvfb_pid=; fail "no Xvfb would start"; }
xvfb_pid=$x_server_pid
export DISPLAY=":$x_server_number"

# The daemon does not launch hacks as root: it runs as nobody, with a clean
# environment and a private home whose settings select our program.
home=$work/home
mkdir -p "$home"
seed=7 ticks=405
cat >"$home/.xscreensaver" <<EOT
mode: one
selected: 0
timeout: 12:00:00
cycle: 12:00:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
programs: "NavaNava" $program --root --seed $seed --ticks $ticks \\n
EOT
chown -R nobody "$home"
as_daemon_user() { runuser -u nobody -- env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"; }

as_daemon_user xscreensaver -no-splash -log "$home/xss.log" </dev/null >/dev/null 2>&1 &
for _ in $(seq 600); do as_daemon_user xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.1; done
as_daemon_user xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not start"

as_daemon_user xscreensaver-command -activate >/dev/null
pid=
for _ in $(seq 600); do
  pid=$(pgrep -u nobody -f "^$program " | head -1 || true)
  [ -n "$pid" ] && break
  sleep 0.05
done
[ -n "$pid" ] || fail "the daemon did not start the program"
pass "activate started the program (pid $pid)"

# The picture stops at tick $ticks (10 ms apart); wait until it has.
"$render" --width 800 --height 600 --count 10 --seed $seed --ticks $ticks --out "$work/expected.png" >/dev/null
same=
for _ in $(seq 240); do
  sleep 0.25
  import -display "$DISPLAY" -window root "$work/shot.png" 2>/dev/null || continue
  diff=$(compare -metric AE "$work/shot.png" "$work/expected.png" null: 2>&1 || true)
  if [ "$diff" = "0" ]; then same=1; break; fi
done
[ -n "$same" ] || { cp "$work/shot.png" /tmp/navanava-daemon-shot.png; fail "the screen is not the portable frame of tick $ticks ($diff pixels differ; shot in /tmp/navanava-daemon-shot.png)"; }
pass "the daemon's window shows the portable frame of tick $ticks"
[ -n "$(awk -v p="$pid" 'NR > 1 && $5 == p' /proc/sysvipc/shm)" ] || fail "the program holds no shared memory segment"
[ -n "${NAVANAVA_SHOT:-}" ] && cp "$work/shot.png" "$NAVANAVA_SHOT"

# -deactivate sends SIGTERM; the program must be gone (or a zombie) in a second.
start=$(date +%s%N)
as_daemon_user xscreensaver-command -deactivate >/dev/null
gone=
for _ in $(seq 100); do
  state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null || echo gone)
  if [ "$state" = gone ] || [ "$state" = Z ]; then gone=1; break; fi
  sleep 0.01
done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ -n "$gone" ] || fail "the program still runs 1 s after -deactivate"
pass "deactivate ended the program in ${elapsed} ms"

sleep 0.3
as_daemon_user xscreensaver-command -exit >/dev/null 2>&1 || true
for _ in $(seq 300); do pgrep -u nobody -x xscreensaver >/dev/null || break; sleep 0.1; done
# The daemon's own lines: its programs' prefixed lines, and its start-up
# banner (rules of '#', blank lines, indented text).
foreign=$(grep -v -E '^(xscreensaver(-[a-z]+)?: |#|[[:space:]]|$)' "$home/xss.log" || true)
[ -z "$foreign" ] || fail "lines in the daemon's log that are not the daemon's: $foreign"
grep -q 'forked ".*navanava' "$home/xss.log" || fail "the daemon's log does not show the launch"
pass "the daemon's log holds only the daemon's own lines"

# Segments the program made (by creator pid; other programs of the same
# account may run meanwhile). The server lets go of one only once it has
# noticed the program gone.
segments_of() { awk -v p="$1" 'NR > 1 && $5 == p' /proc/sysvipc/shm; }
for _ in $(seq 100); do [ -z "$(segments_of "$pid")" ] && break; sleep 0.1; done
[ -z "$(segments_of "$pid")" ] || fail "shared memory segments left: $(segments_of "$pid")"
pass "no shared memory segment left behind"
echo "$checks passed, 0 failed"
