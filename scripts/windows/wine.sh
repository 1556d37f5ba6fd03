#!/usr/bin/env bash
# Runs a Windows program under Debian's wine64 in a private prefix: the emulator of the
# cross-build's tests. The prefix lives in the build directory (WINEPREFIX to override).
set -euo pipefail
program=$1
if [ -z "${WINEPREFIX:-}" ]; then
  build_dir=$(cd "$(dirname "$program")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done && pwd)
  export WINEPREFIX=$build_dir/wine-prefix
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec /usr/lib/wine/wine64 "$@"
