#!/usr/bin/env bash
# Runs every fuzz target for FUZZ_SECONDS (default 300) each, keeping a corpus
# per target under build/fuzz-corpus.
set -euo pipefail
build=${1:-build/sanitize}
seconds=${FUZZ_SECONDS:-300}
corpus_root=$(dirname "$build")/fuzz-corpus
status=0
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
  grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' "$log" || true
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
