#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test: once as built, once under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded parts under
# ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

run_suite() {
  local build_dir=$1
  shift
  (cd "$build_dir" && ctest --output-on-failure --timeout 600 "$@")
}

echo "== build and test"
bash scripts/build.sh out/release
run_suite out/release

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh out/asan -DFERROWICK_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite out/asan

echo "== ThreadSanitizer (threaded code)"
bash scripts/build.sh out/tsan -DFERROWICK_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1 run_suite out/tsan -L 'cpplogger|common|updater_lib'

echo "== libFuzzer targets (20 s each)"
bash scripts/run-fuzz.sh 20 out/fuzz
