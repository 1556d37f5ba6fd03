#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DFERROWICK_FUZZ=ON) and runs each for a fixed time
# on a copy of its seed corpus in fuzz/corpus/<name>/, with fuzz/dict/<name>.dict when
# there is one. Exits non-zero when any target finds a crash, leak or time-out, and
# names the input that did it. Ends with a table of runs, executions per second and the
# coverage features each target found beyond its seed corpus, so a drop in speed shows.
# With FERROWICK_FUZZ_MERGE=1, the inputs of a passed target that reach coverage its seed
# corpus lacks are merged into fuzz/corpus/<name> (libFuzzer -merge=1, fewest inputs).
#   run-fuzz.sh [SECONDS_PER_TARGET] [BUILD_DIR]      (defaults: 30, out/fuzz)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=${2:-$root/out/fuzz}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DFERROWICK_FUZZ=ON -DFERROWICK_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers

# Corpus copies and the files the targets make stay in a scratch folder; the inputs that
# failed are kept beside the build.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=$build/fuzz-findings
mkdir -p "$findings"

passed=0
failed=0
table=()
for source in "$root"/fuzz/*_fuzzer.cpp; do
  target=$(basename "$source" .cpp)
  name=${target%_fuzzer}
  corpus=$scratch/corpus/$name
  mkdir -p "$corpus" "$scratch/tmp"
  cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$findings/$name-")
  [[ -f $root/fuzz/dict/$name.dict ]] && options+=(-dict="$root/fuzz/dict/$name.dict")
  log=$findings/$name.log
  if TMPDIR=$scratch/tmp ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
    result=passed
    passed=$((passed + 1))
    if [[ ${FERROWICK_FUZZ_MERGE:-0} == 1 ]]; then
      TMPDIR=$scratch/tmp "$build/fuzz/$target" -merge=1 "$root/fuzz/corpus/$name" "$corpus" \
        >"$findings/$name-merge.log" 2>&1 || echo "$name: merge failed (log $findings/$name-merge.log)"
    fi
  else
    result=FAILED
    echo "$name: FAILED (log $log)"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5 || true
    grep -o "Test unit written to .*" "$log" | sed 's/^Test unit written to /  crashing input: /' || true
    failed=$((failed + 1))
  fi
  # Features the seed corpus gave (INITED line) against those at the end (last status line).
  seeded=$(grep -m1 -o 'INITED cov: [0-9]* ft: [0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  final=$(grep -o ' ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "$seeded")
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  echo "$name: $runs runs, $rate exec/s, $((final - seeded)) new features"
  table+=("$(printf '%-20s %-7s %10s %8s %12s' "$name" "$result" "$runs" "$rate" "$((final - seeded))")")
done
printf '%-20s %-7s %10s %8s %12s\n' target result runs exec/s new-features
printf '%s\n' "${table[@]}"
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
