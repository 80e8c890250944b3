#!/usr/bin/env bash
# The settings dialog as a user drives it: the program runs under Wine on the
# test display, gets real keyboard and mouse input from xdotool (and, for a few
# cases, the messages of the dialog manager), and after each run the exit code
# and the exact bytes of "control.ini" in the prefix's Windows directory are
# checked.
#
#   dialog_input_test.sh PROBE PROGRAM saver|runner
#
# PROBE is dialog_probe.exe; PROGRAM is navanava.scr ("saver": started with
# "/c", "/c:1234" or nothing) or the test's stand-in (started with "/c" or
# nothing). Cases that need the caption's close box run on a Wine virtual
# desktop, where Wine draws captions itself; the others run on the bare X
# display, where keyboard focus has to be given explicitly.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
source "$scripts/x-server.sh"
probe=$1 program=$2 kind=${3:-saver}

# A session of its own (display and prefix): the pointer, the keyboard focus
# and "control.ini" are this test's alone while it runs.
export NAVANAVA_WINE_SESSION=dialog
while IFS='=' read -r k v; do export "$k=$v"; done < <("$scripts/wine-session.sh" start 24 "$NAVANAVA_WINE_SESSION")
export WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

work=$(mktemp -d /tmp/navanava-dialog-XXXXXX)
ini=$WINEPREFIX/drive_c/windows/control.ini
desktop=navanava-dialog
saved=""
if [ -f "$ini" ]; then saved=$work/saved.ini; cp "$ini" "$saved"; fi

finish() {
  rm -f "$ini"
  [ -n "$saved" ] && cp "$saved" "$ini"
  "$scripts/run-wine.sh" reg delete 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /f >/dev/null 2>&1
  rm -rf "$work"
}
trap finish EXIT

# A Wine virtual desktop of the display's size, for the cases with a caption.
"$scripts/run-wine.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /d 1024x768 /f >/dev/null 2>&1

failures=0
skipped=0
# Wine's virtual desktop meets faults that Wine handles itself, which it
# mistakes for illegal instructions under an emulator: there the desktop
# cases are left out, and the cases on the bare display run.
emulated=0
"$scripts/wine-session.sh" emulated && emulated=1
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

SPEED=$'\x91\xAC\x82\xB3'           # "速さ" in code page 932
COUNT=$'\x90\xE1\x82\xCC\x90\x94'   # "雪の数"
stored_file() {  # stored_file SPEED_VALUE COUNT_VALUE
  printf '[Other]\r\nx=1\r\n[ScreenSaver.NavaNava]\r\nforeign=keep\r\n%s=%s\r\n%s=%s\r\n[Later]\r\ny=2\r\n' \
    "$SPEED" "$1" "$COUNT" "$2"
}

info() { awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print }' "$work/info"; }

# start_dialog MODE ARGS...: MODE is "root" or "desktop" (optionally followed
# by ":ACTIONS" for message actions of the probe); starts the program through
# the probe and waits until the probe has described the dialog.
start_dialog() {
  local mode=$1
  shift
  if [[ $mode == desktop* ]] && [ "$emulated" = 1 ]; then
    echo "skipped [$case_name]: a virtual desktop under an emulator"
    skipped=$((skipped + 1))
    return 1
  fi
  local opts=()
  [[ $mode == desktop* ]] && opts+=(--desktop "$desktop")
  [[ $mode == *:* ]] && opts+=(--act "${mode#*:}")
  # A Wine start that dies of an X error before any window of the program
  # exists (the virtual desktop racing its own window on a loaded machine)
  # says nothing about the dialog: that start is tried once more.
  local attempt
  for attempt in 1 2; do
    rm -f "$work/info" "$work/exit"
    ( "$scripts/run-wine.sh" "$probe" "Z:${work//\//\\}\\info" "${opts[@]}" "$program" "$@" \
        >"$work/probe.log" 2>&1
      echo $? >"$work/exit" ) &
    probe_pid=$!
    # The probe gives up when no dialog appeared within 120 s; Wine starts
    # slowly on a busy machine.
    for _ in $(seq 1500); do
      [ -f "$work/info" ] || [ -f "$work/exit" ] && break
      sleep 0.1
    done
    [ -f "$work/info" ] && break
    wait "$probe_pid" 2>/dev/null
    grep -q 'X Error' "$work/probe.log" 2>/dev/null || break
    [ "$attempt" = 1 ] && echo "retried [$case_name]: Wine died of an X error before the dialog: $(grep -m1 'X Error' "$work/probe.log")"
  done
  if [ ! -f "$work/info" ]; then
    fail "no dialog appeared ($(cat "$work/probe.log" 2>/dev/null))"
    return 1
  fi
  if [[ $mode == desktop* ]]; then
    focus_window=$(x_find_window "^$desktop - Wine desktop\$") || { fail "no desktop window"; return 1; }
  else
    focus_window=$(info xid)
  fi
}

# Keys and clicks as a user gives them: focus first (no window manager).
# (A focus that never arrives would make --sync wait for ever: bounded.)
keys() { timeout 30 xdotool windowfocus --sync "$focus_window" && xdotool key --delay 80 "$@"; }
click_at() { timeout 30 xdotool windowfocus --sync "$focus_window" && timeout 30 xdotool mousemove --sync $1 $2 click 1 && sleep 0.2; }
click() { click_at $(info "$1"); }

# finish_dialog EXPECTED_EXIT: waits for the program to end.
finish_dialog() {
  # The probe ends a dialog that is still open after 120 s (exit code 203).
  wait "$probe_pid" 2>/dev/null
  local code
  code=$(cat "$work/exit")
  [ "$code" = "$1" ] || fail "exit code $code, expected $1"
  echo "ran: $case_name"
}

expect_shown() {  # SPEED_POSITION COUNT_POSITION OWNER
  [ "$(info speed)" = "$1" ] || fail "speed slider at $(info speed), expected $1"
  [ "$(info count)" = "$2" ] || fail "count slider at $(info count), expected $2"
  [ "$(info owner)" = "$3" ] || fail "owner $(info owner), expected $3"
  [ "$(info focus)" = "1" ] || fail "focus on control $(info focus), expected OK (1)"
  # "ナバセーバー設定" in code page 932
  [ "$(info title)" = "83 69 83 6F 83 5A 81 5B 83 6F 81 5B 90 DD 92 E8" ] || fail "title $(info title)"
}

expect_file() {  # expect_file SPEED COUNT, or expect_file none
  if [ "$1" = none ]; then
    [ ! -e "$ini" ] || fail "control.ini was created"
    return
  fi
  stored_file "$1" "$2" >"$work/expected"
  cmp -s "$work/expected" "$ini" ||
    fail "control.ini is $(od -An -c "$ini" | tr -s ' ' | head -c 400)"
}

store() {  # store SPEED COUNT, or store none
  rm -f "$ini"
  [ "$1" = none ] || stored_file "$1" "$2" >"$ini"
}

# Switches: the saver takes "/c" (owned by the foreground window), "/c:1234"
# (the number is not used) and an empty command line (no owner).
if [ "$kind" = saver ]; then
  c_switch=/c c_handle=/c:1234
else
  c_switch=/c c_handle=/c
fi

t0=$(date +%s)

case_name="/c, no file: defaults shown, Escape closes without a file"
store none
if start_dialog root $c_switch; then
  expect_shown 9 1 probe
  keys Escape
  finish_dialog 0
  expect_file none
fi

case_name="/c, 15 and 15: Enter stores 20 and 10"
store 15 15
if start_dialog root $c_switch; then
  expect_shown 8 1 probe
  keys Return
  finish_dialog 1
  expect_file 20 10
fi

case_name="/c:1234, 105 and 255: slow end and right end; Escape changes nothing"
store 105 255
if start_dialog root $c_handle; then
  expect_shown 0 10 probe
  keys Escape
  finish_dialog 0
  expect_file 105 255
fi

case_name="no switch, 0 and 95: no owner; OK clicked stores 0 and 90"
store 0 95
if start_dialog desktop; then
  expect_shown 10 9 none
  click ok
  finish_dialog 1
  expect_file 0 90
fi

case_name="Cancel clicked"
store 15 15
if start_dialog desktop $c_switch; then
  click cancel
  finish_dialog 0
  expect_file 15 15
fi

case_name="close box clicked"
store 15 15
if start_dialog desktop $c_switch; then
  click close
  finish_dialog 0
  expect_file 15 15
fi

case_name="Default, then Cancel"
store 15 15
if start_dialog desktop $c_switch; then
  click default
  click cancel
  finish_dialog 0
  expect_file 15 15
fi

case_name="Default, then OK stores 10 and 10"
store 40 70
if start_dialog desktop $c_switch; then
  expect_shown 6 7 probe
  click default
  click ok
  finish_dialog 1
  expect_file 10 10
fi

# The speed thumb stands at position 8 of 0..10 along the channel.
thumb_x() { read -r l _ r _ <<<"$(info speedslider)"; echo $((l + 10 + 8 * (r - l - 20) / 10)); }
thumb_y() { read -r _ t _ b <<<"$(info speedslider)"; echo $(((t + b) / 2 - 2)); }

case_name="speed slider dragged to the fast end, then Cancel"
store 15 15
if start_dialog desktop $c_switch; then
  timeout 30 xdotool windowfocus --sync "$focus_window"
  timeout 30 xdotool mousemove --sync "$(thumb_x)" "$(thumb_y)" mousedown 1 sleep 0.2 \
    mousemove --sync 1000 "$(thumb_y)" sleep 0.2 mouseup 1
  click cancel
  finish_dialog 0
  expect_file 15 15
fi

case_name="speed slider dragged to the fast end, then OK stores 0"
store 15 15
if start_dialog desktop $c_switch; then
  timeout 30 xdotool windowfocus --sync "$focus_window"
  timeout 30 xdotool mousemove --sync "$(thumb_x)" "$(thumb_y)" mousedown 1 sleep 0.2 \
    mousemove --sync 1000 "$(thumb_y)" sleep 0.2 mouseup 1
  click ok
  finish_dialog 1
  expect_file 0 10
fi

case_name="keyboard only: Tab to the sliders, move them, Enter"
store 15 15
if start_dialog root $c_switch; then
  # OK -> Cancel -> speed slider: three steps slower; -> count slider: to the right end.
  keys Tab Tab Left Left Left Tab End Return
  finish_dialog 1
  expect_file 50 100
fi

case_name="keyboard: Tab to Default, Space keeps it open, Escape"
store 15 15
if start_dialog root $c_switch; then
  keys Tab Tab Tab Tab space Escape
  finish_dialog 0
  expect_file 15 15
fi

# The same exits driven by messages, as the dialog manager produces them.
for m in "c3,c1:1:10 10" "c3,c2:0:15 15" "sysclose:0:15 15" "close:0:15 15" "k13:1:20 10" "k27:0:15 15" \
         "c65537,c131074,c3:0:15 15"; do
  IFS=: read -r acts code expected <<<"$m"
  case_name="messages $acts"
  store 15 15
  if start_dialog "desktop:$acts" $c_switch; then
    # 65537 and 131074: OK and Cancel with a notification code; then Default
    # stays open, so the dialog is ended by Escape.
    [[ $acts == c65537* ]] && keys Escape
    finish_dialog "$code"
    expect_file $expected
  fi
done

# Round trip: what the dialog stores is what the next full-screen run shows.
# The figure walks one pixel per tick, so its speed across the screen gives
# the tick period. Flakes are small separate blobs on the black screen.
figure_right() { convert "$1" -trim -format '%[fx:page.x + w]' info: 2>/dev/null; }
# Lit blobs of flake size (at most 33 x 33) that lie outside the largest blob's
# box (the figure's).
count_flakes() {
  convert "$1" -threshold 0 -define connected-components:verbose=true \
    -define connected-components:area-threshold=0 -connected-components 8 null: |
    awk 'NR > 1 && $NF != "gray(0)" && $NF != "srgb(0,0,0)" {
           split($2, g, /[x+]/); n++; w[n] = g[1]; h[n] = g[2]; x[n] = g[3]; y[n] = g[4]
           if (g[1] * g[2] > big) { big = g[1] * g[2]; b = n } }
         END { c = 0
               for (i = 1; i <= n; i++) {
                 if (i == b || w[i] > 33 || h[i] > 33) continue
                 if (x[i] + w[i] <= x[b] || x[i] >= x[b] + w[b] || y[i] + h[i] <= y[b] || y[i] >= y[b] + h[b]) c++ }
               print c + 0 }'
}

# saver_run NAME WAIT: runs "/s", takes two screenshots 2 s apart (the first
# 1.5 s after the window appears, the second WAIT s later), ends the saver with
# a key and sets walk_speed (pixels per second, meaningful without flakes),
# lit_box (size of the box around everything drawn) and flakes. The speed
# needs the machine's attention and is measured against the clock: a
# screenshot's moment lies somewhere between the times read before and after
# it, so walk_fastest and walk_slowest are the speeds over the shortest and
# the longest span those times allow (walk_speed over the starts). A busy
# machine only slows the saver: the least speeds are checked on
# walk_fastest, the greatest on walk_speed as before.
saver_run() {
  rm -f "$work/saver.exit"
  ( "$scripts/run-wine.sh" "$program" /s >/dev/null 2>&1; echo $? >"$work/saver.exit" ) &
  local pid=$! saver=""
  saver=$(x_find_window '^Screen Saver$') || saver=""
  if [ -z "$saver" ]; then
    fail "no saver window"
    "$scripts/run-wine.sh" taskkill /im "$(basename "$program")" /f >/dev/null 2>&1
    wait "$pid"
    walk_speed=0 walk_fastest=0 walk_slowest=0 lit_box="0 0" flakes=0
    return
  fi
  sleep 1.5
  local t1 t1end t2 t2end x1 x2
  t1=$(date +%s%N); import -window root "$work/$1-1.png"; t1end=$(date +%s%N)
  sleep "$2"
  t2=$(date +%s%N); import -window root "$work/$1-2.png"; t2end=$(date +%s%N)
  x1=$(figure_right "$work/$1-1.png"); x2=$(figure_right "$work/$1-2.png")
  walk_speed=$(( (x2 - x1) * 1000000000 / (t2 - t1) ))
  walk_fastest=$(( (x2 - x1) * 1000000000 / (t2 - t1end) ))
  walk_slowest=$(( (x2 - x1) * 1000000000 / (t2end - t1) ))
  lit_box=$(convert "$work/$1-2.png" -trim -format '%w %h' info: 2>/dev/null)
  flakes=$(count_flakes "$work/$1-2.png")
  timeout 30 xdotool windowfocus --sync "$saver" key space
  for _ in $(seq 300); do [ -f "$work/saver.exit" ] && break; sleep 0.1; done
  if [ ! -f "$work/saver.exit" ]; then
    fail "a key did not end the saver"
    "$scripts/run-wine.sh" taskkill /im "$(basename "$program")" /f >/dev/null 2>&1
  fi
  wait "$pid"
  [ "$(cat "$work/saver.exit")" = 0 ] || fail "/s exit code $(cat "$work/saver.exit")"
  echo "ran: /s after $1: figure's right edge at $x1 then $x2 ($walk_speed px/s), drawing within $lit_box, $flakes flakes apart from the figure"
}

only_the_figure() {
  read -r w h <<<"$lit_box"
  # A few pixels over the figure's size are a screenshot taken while the
  # window was being redrawn (two ticks' figures, a jump apart); flakes would
  # spread the box over the screen.
  [ "$w" -le 260 ] && [ "$h" -le 152 ] || fail "drawing spans $lit_box, more than the figure"
}

if [ "$kind" = saver ]; then
  case_name="round trip: slowest and no flakes"
  store none
  if start_dialog desktop $c_switch; then
    keys Tab Tab Home Tab Home Return
    finish_dialog 1
    printf '[ScreenSaver.NavaNava]\r\n%s=100\r\n%s=0\r\n' "$SPEED" "$COUNT" >"$work/expected"
    cmp -s "$work/expected" "$ini" || fail "control.ini is $(od -An -c "$ini" | tr -s ' ')"
    saver_run slow 2
    [ "$walk_fastest" -ge 4 ] && [ "$walk_speed" -le 16 ] ||
      fail "walks $walk_slowest to $walk_fastest px/s at 100 ms per tick"
    only_the_figure
  fi

  case_name="round trip: fastest and no flakes"
  if start_dialog desktop $c_switch; then
    expect_shown 0 0 probe
    keys Tab Tab End Return
    finish_dialog 1
    saver_run fast 2
    # The shortest timer period is 10 ms: up to 100 px/s.
    [ "$walk_fastest" -ge 30 ] || fail "walks $walk_slowest to $walk_fastest px/s at the shortest period"
    only_the_figure
  fi

  case_name="round trip: fastest and 100 flakes"
  if start_dialog desktop $c_switch; then
    expect_shown 10 0 probe
    keys Tab Tab Tab End Return
    finish_dialog 1
    printf '[ScreenSaver.NavaNava]\r\n%s=0\r\n%s=100\r\n' "$SPEED" "$COUNT" >"$work/expected"
    cmp -s "$work/expected" "$ini" || fail "control.ini is $(od -An -c "$ini" | tr -s ' ')"
    saver_run flakes 4
    [ "$flakes" -ge 3 ] || fail "$flakes flakes seen"
  fi
fi

echo "dialog input: $((failures)) failure(s), $skipped case(s) left out, $(($(date +%s) - t0)) s"
[ "$failures" -eq 0 ]
