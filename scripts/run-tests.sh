#!/usr/bin/env bash
# Runs built test groups; within a group CTest runs JOBS entries at a time
# (entries that share a display, a Wine prefix or the screen saver daemon
# take turns by their RESOURCE_LOCK).
#
#   run-tests.sh BUILD JOBS GROUP...   GROUP: native sanitize win32 win64 web
#
# win64 is the x86-64 Windows program under 64-bit Wine: every Windows test,
# always natively. win32 is the 32-bit program: every Windows test where the
# kernel runs 32-bit programs; where Wine's 32-bit programs run under an
# emulator, only the entries whose result depends on the 32-bit code itself
# (tests/win32_emulated_tier.txt), each named in the log.
#
# One group runs with its output as it comes. Several run side by side, each
# into a log of its own that is shown once the group is done; at the end a
# line per group gives its result and its time.
set -uo pipefail
build=${1:?build folder}
build=$(cd "$build" && pwd)
jobs=${2:?jobs}
shift 2
[ $# -gt 0 ] || { echo "run-tests: no group" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

run_group() {
  case "$1" in
    native)
      # The X soak runs 100 s (10 000 ticks in each of its two programs)
      # here; `make fuzz` runs it for longer.
      NAVANAVA_SOAK_SECONDS=${NAVANAVA_SOAK_SECONDS:-100} \
        ctest --test-dir "$build/native" --output-on-failure -j"$jobs" ;;
    sanitize)
      ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$build/sanitize" --output-on-failure -j"$jobs" ;;
    win32|win64)
      # Wine tests run on private Xvfb displays that are stopped again
      # afterwards.
      local rc=0 select=()
      if [ "$1" = win32 ] && NAVANAVA_WINE_ARCH=win32 "$here/wine-session.sh" emulated; then
        local tier
        tier=$(grep -v '^#' "$here/../tests/win32_emulated_tier.txt" | grep . | paste -sd '|')
        echo "run-tests: Wine's 32-bit programs run under an emulator here: the 32-bit program's own tier only: ${tier//|/, }"
        select=(-R "^(${tier})\$")
      fi
      NAVANAVA_WINE_ARCH=$1 NAVANAVA_WINE_ROOT="$build/$1/wine" \
        ctest --test-dir "$build/$1" --output-on-failure -j"$jobs" "${select[@]}" || rc=$?
      NAVANAVA_WINE_ARCH=$1 NAVANAVA_WINE_ROOT="$build/$1/wine" "$here/wine-session.sh" stop
      return $rc ;;
    web)
      NODE_PATH=/usr/share/nodejs ctest --test-dir "$build/web-cmake" --output-on-failure -j"$jobs" ;;
    *)
      echo "run-tests: unknown group $1" >&2
      return 2 ;;
  esac
}

if [ $# = 1 ]; then
  start=$(date +%s)
  rc=0
  run_group "$1" || rc=$?
  echo "== $1: $([ $rc = 0 ] && echo passed || echo FAILED) in $(( $(date +%s) - start )) s"
  exit $rc
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
start=$(date +%s)
declare -A pid_of
for group in "$@"; do
  ( t0=$(date +%s)
    rc=0
    run_group "$group" >"$logs/$group.log" 2>&1 </dev/null || rc=$?
    echo "$rc $(( $(date +%s) - t0 ))" >"$logs/$group.result" ) &
  pid_of[$group]=$!
done
echo "run-tests: $* side by side (logs shown as each group ends)"
status=0
remaining=("$@")
while [ ${#remaining[@]} -gt 0 ]; do
  pids=()
  for group in "${remaining[@]}"; do pids+=("${pid_of[$group]}"); done
  wait -n "${pids[@]}" 2>/dev/null || sleep 1
  left=()
  for group in "${remaining[@]}"; do
    if [ -f "$logs/$group.result" ]; then
      read -r rc seconds <"$logs/$group.result"
      echo "==== $group ($([ "$rc" = 0 ] && echo passed || echo FAILED), $seconds s)"
      cat "$logs/$group.log"
      [ "$rc" = 0 ] || status=1
    else
      left+=("$group")
    fi
  done
  remaining=("${left[@]+"${left[@]}"}")
done
echo "==== summary"
for group in "$@"; do
  read -r rc seconds <"$logs/$group.result"
  printf '  %-9s %-7s %5d s\n' "$group" "$([ "$rc" = 0 ] && echo passed || echo FAILED)" "$seconds"
done
echo "  all groups: $(( $(date +%s) - start )) s"
exit $status
