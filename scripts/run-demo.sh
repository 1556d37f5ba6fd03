#!/usr/bin/env bash
# Installs the dependencies, builds, and runs one update task end to end over HTTPS:
# a signed demo package on nginx (self-signed certificate, loopback port), fetched and
# placed by the worker through ferrowick-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh out/release -DFERROWICK_TESTS=OFF
bash scripts/demo-https.sh out/release "${1:-/tmp/ferrowick-demo-https}"
