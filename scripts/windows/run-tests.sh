#!/usr/bin/env bash
# Installs the Windows toolchain and wine, builds the dependency cache (or reuses it),
# cross-builds, and runs the GoogleTest programs under wine through ctest; then the
# Windows programs end to end under wine, driven by a Linux test program built in the
# Linux build folder (default out/release) against this Windows build.
#   run-tests.sh [DIR] [--linux-build LINUX_DIR] [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# Absolute: wine refuses a relative WINEPREFIX.
build_dir=$(realpath -m "${1:-$root/out/windows}")
shift || true
linux_build=$root/out/release
if [ "${1:-}" = --linux-build ]; then
  linux_build=$(realpath -m "$2")
  shift 2
fi
bash "$root/scripts/windows/build.sh" "$build_dir"
# wine creates the prefix on first use (about 10 s); doing it once here keeps that out
# of the first test's time.
WINEPREFIX=$build_dir/wine-prefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
status=0
(cd "$build_dir" && WINEPREFIX=$build_dir/wine-prefix ctest --output-on-failure --timeout 600 "$@") || status=$?
FERROWICK_TARGETS=windows_e2e_tests bash "$root/scripts/build.sh" "$linux_build" \
  -DFERROWICK_WINDOWS_BUILD_DIR="$build_dir"
(cd "$linux_build" && ctest --output-on-failure --timeout 900 -L wine) || status=$?
exit $status
