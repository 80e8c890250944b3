#!/usr/bin/env bash
# The Windows zip: navanava.scr, README.txt and LICENSE.txt at its top, the
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
[ "$names" = "LICENSE.txt README.txt navanava.scr " ] || fail "the zip holds: $names"
unzip -q "$zip" -d "$work"
for f in README.txt LICENSE.txt; do
  [ -s "$work/$f" ] || { fail "$f is missing or empty"; continue; }
  if grep -q $'[^\r]$' "$work/$f" || grep -q $'^$' "$work/$f"; then
    fail "$f has lines without CR LF"
  fi
done
tr -d '\r' <"$work/LICENSE.txt" | cmp -s - "$source_dir/LICENSE" || fail "LICENSE.txt differs from LICENSE"
[ "$failures" -eq 0 ] || exit 1
echo "ok: navanava.scr, README.txt and LICENSE.txt, text with CR LF"
