#!/usr/bin/env bash
# Runs a Windows program under Wine on the private test display of depth
# $NAVANAVA_DEPTH (default 24), or on the session of that depth named
# $NAVANAVA_WINE_SESSION, starting that display and its prefix if needed.
# Used as CTest's cross-compiling emulator.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
depth=${NAVANAVA_DEPTH:-24}
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" start "$depth" "${NAVANAVA_WINE_SESSION:-}")
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# A test program may name the cases that cannot run under an emulator (see
# wine-session.sh); they are left out there, and the output says so.
if [ -n "${NAVANAVA_EMULATED:-}" ] && [ -n "${NAVANAVA_EMULATED_GTEST_FILTER:-}" ]; then
  echo "run-wine: under an emulator, GTEST_FILTER=$NAVANAVA_EMULATED_GTEST_FILTER"
  export GTEST_FILTER=$NAVANAVA_EMULATED_GTEST_FILTER
fi

# Wine starts helper processes (the desktop window's explorer, services) that
# outlive the program and would inherit our output pipes, and CTest would wait
# for those pipes to close: the program's output goes through a file instead.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
set +e
env LC_ALL="${NAVANAVA_LOCALE:-ja_JP.UTF-8}" wine "$@" </dev/null >"$out" 2>&1
rc=$?
set -e
cat "$out"
exit $rc
