#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test: once as built, once under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded parts under
# ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Each stage's time is printed, so a slow stage shows in the CI log.
stage_started=$SECONDS
stage() {
  [ -n "${stage_name:-}" ] && echo "== $stage_name took $((SECONDS - stage_started)) s"
  stage_name=$1
  stage_started=$SECONDS
  [ -n "$stage_name" ] && echo "== $stage_name"
  return 0
}

stage "install packages"
bash scripts/install-deps.sh

run_suite() {
  local build_dir=$1
  shift
  (cd "$build_dir" && ctest --output-on-failure --timeout 600 "$@")
}

stage "build and test"
bash scripts/build.sh out/release
run_suite out/release

stage "Debian package: build, lintian, install, run, purge"
bash scripts/run-package-tests.sh out/release

stage "AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh out/asan -DFERROWICK_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite out/asan

stage "ThreadSanitizer (threaded code)"
FERROWICK_TARGETS="common_tests cpplogger_tests updater_lib_tests" \
  bash scripts/build.sh out/tsan -DFERROWICK_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1 run_suite out/tsan -L 'cpplogger|common|updater_lib'

stage "libFuzzer targets (20 s each)"
bash scripts/run-fuzz.sh 20 out/fuzz
stage ""
echo "== all stages took $SECONDS s"
