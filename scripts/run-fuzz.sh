#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DFERROWICK_FUZZ=ON) and runs each for a fixed time
# on a copy of its seed corpus in fuzz/corpus/<name>/, with fuzz/dict/<name>.dict when
# there is one. Exits non-zero when any target finds a crash, leak or time-out, and
# names the input that did it.
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
for source in "$root"/fuzz/*_fuzzer.cpp; do
  target=$(basename "$source" .cpp)
  name=${target%_fuzzer}
  corpus=$scratch/corpus/$name
  mkdir -p "$corpus" "$scratch/tmp"
  cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/$name-")
  [[ -f $root/fuzz/dict/$name.dict ]] && options+=(-dict="$root/fuzz/dict/$name.dict")
  log=$findings/$name.log
  if TMPDIR=$scratch/tmp ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
    echo "$name: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log" || echo done)"
    passed=$((passed + 1))
  else
    echo "$name: FAILED (log $log)"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5 || true
    grep -o "Test unit written to .*" "$log" | sed 's/^Test unit written to /  crashing input: /' || true
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
