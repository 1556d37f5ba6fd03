#!/usr/bin/env bash
# Publishes a demo update on nginx over HTTPS on a loopback port (configuration from
# demo/nginx/update-server.conf, self-signed certificate made on the spot) and runs one
# real update task against it through ferrowick-run, then a second task that finds the
# bases up to date. nginx is stopped on every way out.
#   demo-https.sh BUILD_DIR [DEMO_DIR]      (builds nothing: build first, e.g. scripts/build.sh)
# The package is signed with the DEMO keys of demo/keys, which the default build trusts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo-https.sh BUILD_DIR [DEMO_DIR]}" && pwd)
demo=${2:-/tmp/ferrowick-demo-https}

script=demo-https.sh
source "$root/scripts/demo-common.sh"
for program in nginx openssl; do
  command -v "$program" >/dev/null || { echo "demo-https.sh: $program is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

make_demo_update
documents=$demo/www
mkdir -p "$updates/utils"

source "$root/scripts/update-server.sh"
stop_nginx() {
  [[ -s $demo/nginx/nginx.pid ]] || return 0
  stop_update_server "$demo/nginx"
  echo "== nginx stopped"
}
trap stop_nginx EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
start_update_server "$demo/nginx" "$documents" || exit 1
port=$update_server_port

echo "== update server https://127.0.0.1:$port/ serving $documents"
find "$documents" -type f -printf '%P (%s bytes)\n' | sort
echo "== info2.txt"
cat "$updates/info2.txt"
if command -v curl >/dev/null; then
  echo "== what the server answers for the package"
  curl -ksS -o /dev/null -D - "https://127.0.0.1:$port/update/0/$package"
fi

task() {
  "$run" --worker "$worker" \
    --log-level TRACE --logs-dir "$demo/logs" --state "$demo/bases.state" \
    --source https --host 127.0.0.1 --port "$port" --viro-user demo --retry-interval 1 \
    --dest-dir "$demo/destination" \
    --pub "$root/demo/keys/parameter.public.b64" --copy-info-txt 1 --task-alias demo-https "$@"
}

echo "== over HTTPS"
run_demo_tasks
run_localized_failure
