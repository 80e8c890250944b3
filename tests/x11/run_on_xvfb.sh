#!/usr/bin/env bash
# Runs a command against a private Xvfb of its own, stopped again at the end.
#
#   run_on_xvfb.sh WxHxD [--tcp] [Xvfb options ...] -- command [args ...]
#
# The display number is the first free one from 140 on. DISPLAY is set for
# the command (127.0.0.1:N with --tcp: a display reached over the network,
# where MIT-SHM is announced but attaching a segment fails). NAVANAVA_XVFB_PID
# tells the command which process is the server.
set -euo pipefail
geometry=${1:?WxHxD}
shift
tcp=0
xvfb_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  if [ "$1" = "--tcp" ]; then tcp=1; else xvfb_args+=("$1"); fi
  shift
done
[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || { echo "run_on_xvfb: no command" >&2; exit 2; }

source "$(cd "$(dirname "$0")/../../scripts" && pwd)/x-server.sh"
listen=(-nolisten tcp)
[ $tcp = 1 ] && listen=(-listen tcp -ac)
xvfb=""
trap '[ -n "$xvfb" ] && { kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; }' EXIT
# setpriv --pdeathsig: the server ends with this script, also when the test
# runner kills it outright and the trap never runs.
launch_xvfb() {
  setpriv --pdeathsig=TERM Xvfb ":$1" -screen 0 "$geometry" -noreset "${listen[@]}" "${xvfb_args[@]}" </dev/null >/dev/null 2>&1 &
  launched_pid=$!
}
# The first free number from 140 on (see x-server.sh).
x_server_start 140 launch_xvfb || { echo "run_on_xvfb: no Xvfb would start" >&2; exit 2; }
xvfb=$x_server_pid
n=$x_server_number
if [ $tcp = 1 ]; then export DISPLAY=127.0.0.1:$n; else export DISPLAY=:$n; fi
export NAVANAVA_XVFB_PID=$xvfb
rc=0
"$@" || rc=$?
exit $rc
