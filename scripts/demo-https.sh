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

pack=$build/src/tools/ferrowick-pack
run=$build/src/tools/ferrowick-run
worker=$build/src/ferrowick/ferrowick
for program in "$pack" "$run" "$worker"; do
  [[ -x $program ]] || { echo "demo-https.sh: $program is missing; build first" >&2; exit 1; }
done
for program in nginx openssl; do
  command -v "$program" >/dev/null || { echo "demo-https.sh: $program is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

rm -rf "$demo"
mkdir -p "$demo"/{keys,staging,tls,nginx,destination,configs,logs}
documents=$demo/www
updates=$documents/update/0
mkdir -p "$updates/utils"

# ferrowick-pack takes raw key files: the MPI private scalar and the compressed point.
for key in parameter built_in; do
  base64 -d "$root/demo/keys/$key.private.mpi.b64" >"$demo/keys/$key.key"
done

release=$(date -u +%Y-%m-%dT%H:%M:%SZ)
package=base_17_full.upd
printf 'demo antivirus bases, released %s\n' "$release" >"$demo/staging/bases.dat"
printf 'demo signatures\n' >"$demo/staging/signatures.dat"
"$pack" create "$updates/$package" --key "$demo/keys/parameter.key" --key "$demo/keys/built_in.key" \
  "$demo/staging/bases.dat" "$demo/staging/signatures.dat"
printf 'antivirus\r\n%s\r\n%s\r\n' "$release" "$package" >"$updates/info2.txt"
printf 'older description\r\n' >"$updates/info.txt"

# The worker accepts a server certificate that is valid now and whose common name holds
# KOVA; it consults no authority, so a self-signed one does.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
  -subj "/CN=KOVA demo update server" \
  -keyout "$demo/tls/key.pem" -out "$demo/tls/certificate.pem" 2>/dev/null

cat >"$demo/configs/logger.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<log_settings>
  <developer_log use_developer_log="true" level="TRACE" max_backup_index="4" max_file_size="1048576"/>
  <history_log max_buffer_size="1048576"/>
</log_settings>
XML

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
    --configs-dir "$demo/configs" --main-config logger.xml --logs-dir "$demo/logs" \
    --source https --host 127.0.0.1 --port "$port" --viro-user demo --retry-interval 1 \
    --dest-dir "$demo/destination" \
    --pub "$root/demo/keys/parameter.public.b64" --copy-info-txt 1 --task-alias demo-https "$@"
}

echo "== update task over HTTPS (expect exit code 0 and four result lines)"
status=0
task --previous-release 2016-01-01T00:00:00Z || status=$?
echo "exit code: $status"
[[ $status -eq 0 ]] || { echo "demo-https.sh: the update failed; see $demo/logs" >&2; exit 1; }

echo "== placed files in $demo/destination"
ls -l "$demo/destination"
"$pack" list "$demo/destination/$package"

echo "== the same task again with the installed release (expect 254: up to date)"
status=0
task --previous-release "$release" || status=$?
echo "exit code: $status"
[[ $status -eq 254 ]] || { echo "demo-https.sh: expected up to date" >&2; exit 1; }
echo "== developer log: $demo/logs"
ls "$demo/logs"
