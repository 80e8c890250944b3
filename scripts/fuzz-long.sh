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
  "$f" -max_total_time="$seconds" -print_final_stats=1 "$corpus_root/$name" "${seeds[@]}" 2>&1 \
    | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' || status=1
done < <(find "$build" -type f -name '*_fuzzer' -perm -u+x | sort)
exit $status
