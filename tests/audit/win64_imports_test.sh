#!/usr/bin/env bash
# The x86-64 program: an x86-64 Windows GUI image that imports from the
# system's own DLLs only (KERNEL32, USER32, GDI32, ADVAPI32, COMCTL32), no C
# runtime DLL: it brings its own start-up and C functions, as the 32-bit one.
#
#   win64_imports_test.sh PROGRAM      (OBJDUMP names the objdump to use)
set -euo pipefail
program=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$objdump" -f "$program" | grep -q 'file format pei-x86-64' || fail "not an x86-64 image"
headers=$("$objdump" -p "$program")
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not a Windows GUI program"
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
  case "$dll" in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|COMCTL32.DLL) ;;
    *) fail "imports from $dll" ;;
  esac
done
[ "$failures" -eq 0 ] || exit 1
echo "ok: x86-64 GUI program importing from $(echo $dlls | tr ' ' ',') only"
