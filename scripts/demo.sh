#!/usr/bin/env bash
# Prepares a demo update source and runs one real update task on it through
# ferrowick-run, then a second task that finds the bases up to date.
#   demo.sh BUILD_DIR [DEMO_DIR]      (builds nothing: build first, e.g. scripts/build.sh)
# The package is signed with the DEMO keys of demo/keys, which the default build trusts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo.sh BUILD_DIR [DEMO_DIR]}" && pwd)
demo=${2:-/tmp/ferrowick-demo}

pack=$build/src/tools/ferrowick-pack
run=$build/src/tools/ferrowick-run
worker=$build/src/ferrowick/ferrowick
for program in "$pack" "$run" "$worker"; do
  [[ -x $program ]] || { echo "demo.sh: $program is missing; build first" >&2; exit 1; }
done

rm -rf "$demo"
mkdir -p "$demo"/{keys,staging,source,destination,configs,logs}

# ferrowick-pack takes raw key files: the MPI private scalar and the compressed point.
for key in parameter built_in; do
  base64 -d "$root/demo/keys/$key.private.mpi.b64" >"$demo/keys/$key.key"
done

release=$(date -u +%Y-%m-%dT%H:%M:%SZ)
package=base_17_full.upd
printf 'demo antivirus bases, released %s\n' "$release" >"$demo/staging/bases.dat"
printf 'demo signatures\n' >"$demo/staging/signatures.dat"
"$pack" create "$demo/source/$package" --key "$demo/keys/parameter.key" --key "$demo/keys/built_in.key" \
  "$demo/staging/bases.dat" "$demo/staging/signatures.dat"
printf 'antivirus\r\n%s\r\n%s\r\n' "$release" "$package" >"$demo/source/info2.txt"
printf 'older description\r\n' >"$demo/source/info.txt"

cat >"$demo/configs/logger.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<log_settings>
  <developer_log use_developer_log="true" level="TRACE" max_backup_index="4" max_file_size="1048576"/>
  <history_log max_buffer_size="1048576"/>
</log_settings>
XML

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

echo "== update task (expect exit code 0 and four result lines)"
status=0
task --previous-release 2016-01-01T00:00:00Z || status=$?
echo "exit code: $status"
[[ $status -eq 0 ]] || { echo "demo.sh: the update failed; see $demo/logs" >&2; exit 1; }

echo "== placed files in $demo/destination"
ls -l "$demo/destination"
"$pack" list "$demo/destination/$package"

echo "== the same task again with the installed release (expect 254: up to date)"
status=0
task --previous-release "$release" || status=$?
echo "exit code: $status"
[[ $status -eq 254 ]] || { echo "demo.sh: expected up to date" >&2; exit 1; }
echo "== developer log: $demo/logs"
ls "$demo/logs"
