#!/usr/bin/env bash
# Cross-builds the shipped programs and zips them: BUILD_DIR/package/ferrowick-<version>-win64.zip.
#   package.sh [DIR] [cpack arguments...]
# A build that trusts the demo key is refused unless it is a test package:
#   package.sh out/windows -D CPACK_FERROWICK_TEST_PACKAGE=ON
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${1:-$root/out/windows}
shift || true
# The zip needs these targets only; installing must not build the test programs first.
FERROWICK_TARGETS="ferrowick ferrowick-run ferrowick-reg ferrowick-event ferrowick-pack ferrowick_messages" \
  bash "$root/scripts/windows/build.sh" "$build_dir" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
rm -rf "$build_dir/package"
(cd "$build_dir" && cpack -G ZIP "$@")
ls "$build_dir"/package/ferrowick-*-win64.zip
