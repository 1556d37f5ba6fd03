#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test: once as built, the Debian
# package, once under AddressSanitizer + UndefinedBehaviorSanitizer, the threaded parts
# under ThreadSanitizer, the fuzz targets, and the Windows build under wine.
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
bash scripts/windows/install-deps.sh

# The Windows cross-build, with its dependency libraries built from source when their cache
# is empty (about three quarters of an hour of processor time), runs beside the Linux stages
# at idle priority: it takes the processor time their single-threaded test runs leave over.
mkdir -p out
windows_build_log=$root/out/windows-build.log
setsid chrt --idle 0 bash -c 'started=$SECONDS
  bash scripts/windows/build.sh out/windows
  echo "== the Windows build took $((SECONDS - started)) s"' >"$windows_build_log" 2>&1 &
windows_build=$!
trap 'kill -- -"$windows_build" 2>/dev/null || true' EXIT

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

stage "Windows: the suites and the worker end to end under wine"
if ! wait "$windows_build"; then
  tail -n 60 "$windows_build_log"
  echo "the Windows build failed, log: $windows_build_log"
  exit 1
fi
grep -E '^(build-deps: .* took|== the Windows build took)' "$windows_build_log" || true
bash scripts/windows/run-tests.sh out/windows --linux-build out/release
bash scripts/windows/run-package-tests.sh out/windows
stage ""
echo "== all stages took $SECONDS s"
