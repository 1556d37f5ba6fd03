#!/usr/bin/env bash
# Installs the dependencies, builds, and runs one update task end to end on a demo
# source directory (signed demo package, info2.txt) through ferrowick-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh out/release -DFERROWICK_TESTS=OFF
bash scripts/demo.sh out/release "${1:-/tmp/ferrowick-demo}"
