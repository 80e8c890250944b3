#!/usr/bin/env bash
# Runs a Windows program under Wine on the private test display of depth
# $NAVANAVA_DEPTH (default 24), starting that display and its prefix if needed.
# Used as CTest's cross-compiling emulator.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
depth=${NAVANAVA_DEPTH:-24}
while IFS='=' read -r k v; do export "$k=$v"; done < <("$here/wine-session.sh" start "$depth")
export WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" WINEARCH=win32

exec env LC_ALL="${NAVANAVA_LOCALE:-ja_JP.UTF-8}" wine "$@"
