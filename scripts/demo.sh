#!/usr/bin/env bash
# Prepares a demo update source and runs one real update task on it through
# ferrowick-run, then a second task that finds the bases up to date.
#   demo.sh BUILD_DIR [DEMO_DIR]      (builds nothing: build first, e.g. scripts/build.sh)
# The package is signed with the DEMO keys of demo/keys, which the default build trusts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo.sh BUILD_DIR [DEMO_DIR]}" && pwd)
demo=${2:-/tmp/ferrowick-demo}

script=demo.sh
source "$root/scripts/demo-common.sh"
make_demo_update "$demo/source"

echo "== demo source in $demo/source"
ls -l "$demo/source"
echo "== info2.txt"
cat "$demo/source/info2.txt"

task() {
  "$run" --worker "$worker" \
    --configs-dir "$demo/configs" --main-config logger.xml --logs-dir "$demo/logs" \
    --source directory --source-dir "$demo/source" --dest-dir "$demo/destination" \
    --pub "$root/demo/keys/parameter.public.b64" --copy-info-txt 1 --task-alias demo "$@"
}

run_demo_tasks
run_localized_failure "$demo/source"
