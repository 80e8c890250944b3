#!/usr/bin/env bash
# The audit fails on the probe and names each fault: the function with SSE2
# arithmetic, the function with an SSE instruction that names no register,
# the function with a cmov, the function with a bswap, the console subsystem,
# the import missing from the list and the C runtime DLL.
#
#   audit_rejects_probe.sh AUDIT_SCRIPT PROBE IMPORT_LIST
set -uo pipefail
audit=${1:?audit script}; probe=${2:?probe}; list=${3:?import list}
out=$(bash "$audit" "$probe" "$list" 2>&1)
rc=$?
echo "$out"
status=0
if [ "$rc" -ne 1 ]; then
  echo "FAIL: the audit exited with $rc on the probe, expected 1"
  status=1
fi
expect() {
  if ! grep -qE -- "$1" <<<"$out"; then
    echo "FAIL: no line matching: $1"
    status=1
  fi
}
expect '^instructions: _?ProbeScaleWithSse2: '
expect '^    mulsd .*xmm.*\(MMX/SSE/AVX register\)$'
expect '^instructions: _?ProbeFenceWithSse: '
expect '^    sfence *\(not an 80386 or 80387 instruction\)$'
expect '^instructions: _?ProbeSelectWithCmov: 1 instruction'
expect '^    cmovl .*\(Pentium Pro\)$'
expect '^instructions: _?ProbeSwapWithBswap: 1 instruction'
expect '^    bswap .*\(80486\)$'
expect '^header: subsystem 00000003 version 4\.0'
expect '^\+ KERNEL32\.DLL IsDebuggerPresent$'
expect '^imports: MSVCRT\.DLL is not a system DLL of the first Windows 95 release'
# The probe's own functions are the only ones named: nothing else is linked
# into it but libgcc, which is as clean as in the program.
named=$(grep -E '^instructions: .*: [0-9]+ instruction' <<<"$out" | grep -vE 'Probe|mainCRTStartup' || true)
if [ -n "$named" ]; then
  echo "FAIL: library functions named:"
  echo "$named"
  status=1
fi
[ "$status" -eq 0 ] && echo "the audit rejects the probe as expected"
exit $status
