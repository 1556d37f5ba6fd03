#!/usr/bin/env bash
# Installs the Windows toolchain and wine, builds the dependency cache (or reuses it),
# cross-builds, and runs the GoogleTest programs under wine through ctest.
#   run-tests.sh [DIR] [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# Absolute: wine refuses a relative WINEPREFIX.
build_dir=$(realpath -m "${1:-$root/out/windows}")
shift || true
bash "$root/scripts/windows/install-deps.sh"
bash "$root/scripts/windows/build.sh" "$build_dir"
# wine creates the prefix on first use (about 10 s); doing it once here keeps that out
# of the first test's time.
WINEPREFIX=$build_dir/wine-prefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
(cd "$build_dir" && WINEPREFIX=$build_dir/wine-prefix ctest --output-on-failure --timeout 600 "$@")
