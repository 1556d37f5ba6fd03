# A loopback update server for the demo and the package tests, sourced after root is
# set: nginx with demo/nginx/update-server.conf on 127.0.0.1 and a free port, serving a
# document root over TLS with a self-signed certificate made on the spot.
PATH=$PATH:/usr/local/sbin:/usr/sbin:/sbin  # nginx lives in sbin

# start_update_server RUNTIME_DIR DOCUMENT_ROOT [EXTRA_DIRECTIVES]: the pid file, the
# logs and the certificate go to RUNTIME_DIR; sets update_server_port.
start_update_server() {
  local runtime=$1 documents=$2 extra=${3:-} text candidate
  mkdir -p "$runtime"
  # The worker accepts a server certificate that is valid now and whose common name holds
  # KOVA; it consults no authority, so a self-signed one does.
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -subj "/CN=KOVA demo update server" \
    -keyout "$runtime/key.pem" -out "$runtime/certificate.pem" 2>/dev/null
  # Started by root, nginx's workers would run as nobody, who may not read the documents.
  local as_user=()
  [[ $EUID -eq 0 ]] && as_user=(-g 'user root;')
  # nginx binds before it returns, so the server answers once it has started. A port that
  # another program took meanwhile makes it fail; then another port is tried.
  update_server_port=
  for _ in 1 2 3 4 5; do
    candidate=$((20000 + RANDOM % 12000))
    text=$(<"$root/demo/nginx/update-server.conf")
    text=${text//@ADDRESS@/127.0.0.1}
    text=${text//@PORT@/"$candidate"}
    text=${text//@DOCUMENT_ROOT@/"$documents"}
    text=${text//@CERTIFICATE@/"$runtime/certificate.pem"}
    text=${text//@CERTIFICATE_KEY@/"$runtime/key.pem"}
    text=${text//@RUNTIME_DIR@/"$runtime"}
    text=${text//@EXTRA_DIRECTIVES@/"$extra"}
    printf '%s\n' "$text" >"$runtime/nginx.conf"
    if nginx -c "$runtime/nginx.conf" -e "$runtime/error.log" "${as_user[@]}" 2>>"$runtime/error.log"; then
      update_server_port=$candidate
      return 0
    fi
  done
  echo "nginx does not start; see $runtime/error.log" >&2
  return 1
}

# stop_update_server RUNTIME_DIR: stops the nginx started there, if it runs.
stop_update_server() {
  [[ -s $1/nginx.pid ]] || return 0
  local pid
  pid=$(<"$1/nginx.pid")
  kill "$pid" 2>/dev/null || return 0
  for _ in {1..50}; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
}
