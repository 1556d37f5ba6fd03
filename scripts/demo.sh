#!/usr/bin/env bash
# Publishes a demo update into a folder and runs one real update task on it through
# ferrowick-run, then a second task that finds the bases up to date.
#   demo.sh BUILD_DIR [DEMO_DIR]      (builds nothing: build first, e.g. scripts/build.sh)
# The package is signed with the DEMO keys of demo/keys, which the default build trusts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo.sh BUILD_DIR [DEMO_DIR]}" && pwd)
demo=${2:-/tmp/ferrowick-demo}

script=demo.sh
source "$root/scripts/demo-common.sh"
make_demo_update

echo "== update folder $updates"
ls -l "$updates"
echo "== info2.txt"
cat "$updates/info2.txt"

task() {
  "$run" --worker "$worker" \
    --log-level TRACE --logs-dir "$demo/logs" --state "$demo/bases.state" \
    --source directory --source-dir "$updates" --dest-dir "$demo/destination" \
    --pub "$root/demo/keys/parameter.public.b64" --copy-info-txt 1 --task-alias demo "$@"
}

run_demo_tasks
run_localized_failure
