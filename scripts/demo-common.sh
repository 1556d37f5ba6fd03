# Pieces both demos share; sourced by demo.sh and demo-https.sh after they set
# root, build, demo and script (the script's name for messages).

pack=$build/src/tools/ferrowick-pack
run=$build/src/tools/ferrowick-run
worker=$build/src/ferrowick/ferrowick
for program in "$pack" "$run" "$worker"; do
  [[ -x $program ]] || { echo "$script: $program is missing; build first" >&2; exit 1; }
done

# Fresh demo folders, and the signed demo update in the folder $1: a package, info2.txt
# with the current UTC time as release date, an old info.txt. Sets release and package.
make_demo_update() {
  local updates=$1
  rm -rf "$demo"
  mkdir -p "$demo"/{keys,staging,destination,configs,logs} "$updates"
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
  cat >"$demo/configs/logger.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<log_settings>
  <developer_log use_developer_log="true" level="TRACE" max_backup_index="4" max_file_size="1048576"/>
  <history_log max_buffer_size="1048576"/>
</log_settings>
XML
}

# The two tasks through the caller's task function: an update that is placed (exit 0,
# four result lines), then the same task with the new release installed (254).
run_demo_tasks() {
  local status=0
  echo "== update task (expect exit code 0 and four result lines)"
  task --previous-release 2016-01-01T00:00:00Z || status=$?
  echo "exit code: $status"
  [[ $status -eq 0 ]] || { echo "$script: the update failed; see $demo/logs" >&2; exit 1; }

  echo "== placed files in $demo/destination"
  ls -l "$demo/destination"
  "$pack" list "$demo/destination/$package"

  echo "== the same task again with the installed release (expect 254: up to date)"
  status=0
  task --previous-release "$release" || status=$?
  echo "exit code: $status"
  [[ $status -eq 254 ]] || { echo "$script: expected up to date" >&2; exit 1; }
  echo "== developer log: $demo/logs"
  ls "$demo/logs"
}
