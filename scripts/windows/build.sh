#!/usr/bin/env bash
# Cross-builds the Windows programs into a build directory (default out/windows):
#   build.sh [DIR] [extra cmake arguments...]
#   FERROWICK_TARGETS   build only these targets (space-separated) instead of all
# Installs what is missing (as root; only checks when all is there); the static libraries
# come from the dependency cache (build-deps.sh), built on first use.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${1:-$root/out/windows}
shift || true
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/windows/install-deps.sh"
deps=$(bash "$root/scripts/windows/build-deps.sh" | tail -n 1)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Tests run through wine, in a prefix of their own below the build directory.
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DFERROWICK_WIN_DEPS_DIR="$deps" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/windows/wine.sh" "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${FERROWICK_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
