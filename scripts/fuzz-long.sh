#!/usr/bin/env bash
# Runs every fuzz target for FUZZ_SECONDS (default 300) each, keeping a corpus
# per target under build/fuzz-corpus. A target with a least number of
# executions below (FUZZ_MIN_RUNS, default 10 million) goes on until it has
# reached it, however busy the machine.
set -euo pipefail
build=${1:-build/sanitize}
seconds=${FUZZ_SECONDS:-300}
min_runs=${FUZZ_MIN_RUNS:-10000000}
corpus_root=$(dirname "$build")/fuzz-corpus
status=0
least_runs() {
  case "$1" in
    profile_store_fuzzer) echo "$min_runs" ;;
    *) echo 0 ;;
  esac
}
executed() { grep -o 'stat::number_of_executed_units: [0-9]*' "$1" | awk '{n += $2} END {print n + 0}'; }
while IFS= read -r f; do
  name=$(basename "$f")
  mkdir -p "$corpus_root/$name"
  seeds=()
  [ -d "tests/fuzz-seeds/$name" ] && seeds=("tests/fuzz-seeds/$name")
  echo "== $name: $seconds s"
  log="$corpus_root/$name.log"
  if ! "$f" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$corpus_root/$name-" \
      "$corpus_root/$name" "${seeds[@]}" >"$log" 2>&1; then
    status=1
    echo "FAILED: see $log"
  fi
  least=$(least_runs "$name")
  done_runs=$(executed "$log")
  if [ "$status" = 0 ] && [ "$done_runs" -lt "$least" ]; then
    echo "   $done_runs executions in $seconds s; on to $least"
    if ! "$f" -runs=$((least - done_runs)) -print_final_stats=1 -artifact_prefix="$corpus_root/$name-" \
        "$corpus_root/$name" >>"$log" 2>&1; then
      status=1
      echo "FAILED: see $log"
    fi
  fi
  grep -E 'ERROR|SUMMARY' "$log" || true
  echo "stat::number_of_executed_units: $(executed "$log")"
done < <(find "$build" -type f -name '*_fuzzer' -perm -u+x | sort)

# The long soak of the portable path under the sanitizers.
soak=$(find "$build" -type f -name portable_soak_test -perm -u+x -print -quit)
if [ -n "$soak" ]; then
  echo "== portable soak: ${SOAK_TICKS:-1000000} ticks per case"
  NAVANAVA_SOURCE_DIR=$(pwd) NAVANAVA_SOAK_TICKS=${SOAK_TICKS:-1000000} "$soak" --gtest_brief=1 || status=1
fi
# The native program's long soak on a private Xvfb (the native build's).
xsoak=build/native/tests/x11/x11_soak_test
if [ -x "$xsoak" ] && [ -x build/native/x11/navanava ]; then
  echo "== X soak: ${X_SOAK_SECONDS:-600} s"
  NAVANAVA_PROGRAM=$(pwd)/build/native/x11/navanava NAVANAVA_SOAK_SECONDS=${X_SOAK_SECONDS:-600} \
    tests/x11/run_on_xvfb.sh 1280x1024x24 -- "$xsoak" --gtest_brief=1 || status=1
fi
exit $status
