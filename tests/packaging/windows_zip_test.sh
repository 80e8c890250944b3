#!/usr/bin/env bash
# The Windows zip: the 32-bit navanava.scr, README.txt and LICENSE.txt at its
# top and the x86-64 navanava.scr in x64/, each program for its machine; the
# text files with CR LF line ends (Notepad of the 95 and NT families shows
# bare LF ends as one line) and the licence the same text as LICENSE.
#
#   windows_zip_test.sh ZIP SOURCE_DIR
set -euo pipefail
zip=$1 source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$names" = "LICENSE.txt README.txt navanava.scr x64/ x64/navanava.scr " ] ||
  [ "$names" = "LICENSE.txt README.txt navanava.scr x64/navanava.scr " ] || fail "the zip holds: $names"
unzip -q "$zip" -d "$work"
# The machine field of a PE image's file header: 014c for i386, 8664 for x86-64.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ "$(od -An -c -j"$offset" -N4 "$1" | tr -d ' ')" = 'PE\0\0' ] || { echo none; return; }
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
for entry in "navanava.scr 014c" "x64/navanava.scr 8664"; do
  set -- $entry
  [ -f "$work/$1" ] || continue
  machine=$(pe_machine "$work/$1")
  [ "$machine" = "$2" ] || fail "$1 is built for machine $machine, not $2"
  if strings -a "$work/$1" | grep -q '\.debug_info'; then fail "$1 is not stripped"; fi
done
grep -q 'x64\\navanava.scr' "$work/README.txt" || fail "README.txt does not say which program to take"
for f in README.txt LICENSE.txt; do
  [ -s "$work/$f" ] || { fail "$f is missing or empty"; continue; }
  if grep -q $'[^\r]$' "$work/$f" || grep -q $'^$' "$work/$f"; then
    fail "$f has lines without CR LF"
  fi
done
tr -d '\r' <"$work/LICENSE.txt" | cmp -s - "$source_dir/LICENSE" || fail "LICENSE.txt differs from LICENSE"
[ "$failures" -eq 0 ] || exit 1
echo "ok: navanava.scr (i386), x64/navanava.scr (x86-64), README.txt and LICENSE.txt, text with CR LF"
