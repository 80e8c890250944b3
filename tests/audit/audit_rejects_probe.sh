#!/usr/bin/env bash
# The audit fails on the probe and names each fault: the function with SSE2
# arithmetic, the function with an SSE instruction that names no register,
# the console subsystem and the import missing from the list.
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
expect '^    sfence *\(not a Pentium Pro instruction\)$'
expect '^header: subsystem 00000003 version 4\.0'
expect '^\+ KERNEL32\.DLL IsDebuggerPresent$'
# The probe's own functions are the only ones named; the runtime linked into
# it is as clean as in the program.
named=$(grep -E '^instructions: .*: [0-9]+ instruction' <<<"$out" | grep -vE 'Probe|main' || true)
if [ -n "$named" ]; then
  echo "FAIL: library functions named:"
  echo "$named"
  status=1
fi
[ "$status" -eq 0 ] && echo "the audit rejects the probe as expected"
exit $status
