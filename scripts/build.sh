#!/usr/bin/env bash
# Configures and builds into a build directory: build.sh DIR [extra cmake arguments...]
#   FERROWICK_TARGETS   build only these targets (space-separated) instead of all
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
launcher=()
# ccache lets the plain, sanitizer and helper builds share unchanged objects.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${FERROWICK_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
