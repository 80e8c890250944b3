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

listen=(-nolisten tcp)
[ $tcp = 1 ] && listen=(-listen tcp -ac)
xvfb=""
trap '[ -n "$xvfb" ] && { kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; }' EXIT
# Another test may take the same number at the same moment: then its server
# wins and this one moves on to the next number.
n=140
for _ in $(seq 40); do
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$geometry" -noreset "${listen[@]}" "${xvfb_args[@]}" </dev/null >/dev/null 2>&1 &
  xvfb=$!
  # Up to 30 s: a loaded machine starts it slowly.
  for _ in $(seq 600); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.05
  done
  kill -0 $xvfb 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ] && break
  wait $xvfb 2>/dev/null || true
  xvfb=""
  n=$((n + 1))
done
[ -n "$xvfb" ] || { echo "run_on_xvfb: no Xvfb would start" >&2; exit 2; }
if [ $tcp = 1 ]; then export DISPLAY=127.0.0.1:$n; else export DISPLAY=:$n; fi
export NAVANAVA_XVFB_PID=$xvfb
rc=0
"$@" || rc=$?
exit $rc
