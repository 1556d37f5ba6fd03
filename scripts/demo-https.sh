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
PATH=$PATH:/usr/local/sbin:/usr/sbin:/sbin  # nginx lives in sbin

script=demo-https.sh
source "$root/scripts/demo-common.sh"
for program in nginx openssl; do
  command -v "$program" >/dev/null || { echo "demo-https.sh: $program is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

make_demo_update
documents=$demo/www
mkdir -p "$updates/utils" "$demo"/{tls,nginx}

# The worker accepts a server certificate that is valid now and whose common name holds
# KOVA; it consults no authority, so a self-signed one does.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
  -subj "/CN=KOVA demo update server" \
  -keyout "$demo/tls/key.pem" -out "$demo/tls/certificate.pem" 2>/dev/null

configure_nginx() {
  local text
  text=$(<"$root/demo/nginx/update-server.conf")
  text=${text//@ADDRESS@/127.0.0.1}
  text=${text//@PORT@/"$1"}
  text=${text//@DOCUMENT_ROOT@/"$documents"}
  text=${text//@CERTIFICATE@/"$demo/tls/certificate.pem"}
  text=${text//@CERTIFICATE_KEY@/"$demo/tls/key.pem"}
  text=${text//@RUNTIME_DIR@/"$demo/nginx"}
  text=${text//@EXTRA_DIRECTIVES@/}
  printf '%s\n' "$text" >"$demo/nginx/nginx.conf"
}

stop_nginx() {
  [[ -s $demo/nginx/nginx.pid ]] || return 0
  local pid
  pid=$(<"$demo/nginx/nginx.pid")
  kill "$pid" 2>/dev/null || return 0
  for _ in {1..50}; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "== nginx stopped"
}
trap stop_nginx EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Started by root, nginx's workers would run as nobody, who may not read the demo folder.
as_user=()
[[ $EUID -eq 0 ]] && as_user=(-g 'user root;')

# nginx binds before it returns, so the server answers once it has started. A port that
# another program took meanwhile makes it fail; then another port is tried.
port=
for _ in 1 2 3 4 5; do
  candidate=$((20000 + RANDOM % 12000))
  configure_nginx "$candidate"
  if nginx -c "$demo/nginx/nginx.conf" -e "$demo/nginx/error.log" "${as_user[@]}" 2>>"$demo/nginx/error.log"; then
    port=$candidate
    break
  fi
done
[[ -n $port ]] || { echo "demo-https.sh: nginx does not start; see $demo/nginx/error.log" >&2; exit 1; }

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
