#!/usr/bin/env bash
# The Windows zip, checked as an installation under wine: makes it from a cross build
# (refused with the demo key, then as a test package), lists it with Python's zipfile
# and unpacks it with unzip into a fresh folder, writes in a fresh wine prefix the
# registry values an installer writes (with the zip's ferrowick-reg.exe), publishes the
# demo update with the zip's ferrowick-pack.exe behind a loopback HTTPS nginx, and runs
# the unpacked ferrowick-run.exe on a task file: an update, then up to date, then a
# refused update whose error text comes in Russian from ferrowick-messages.dll.
#   run-package-tests.sh [BUILD_DIR]     (default out/windows; configured by package.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/out/windows}
work=$(mktemp -d /tmp/ferrowick-windows-package-tests.XXXXXX)
script=run-package-tests.sh
started=$SECONDS

fail() {
  echo "$script: $*" >&2
  exit 1
}

bash "$root/scripts/install-packages.sh" nginx-light openssl unzip python3

export WINEPREFIX=$work/wine-prefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
source "$root/scripts/update-server.sh"
source "$root/scripts/demo-update.sh"
clean_up() {
  stop_update_server "$work/server"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap clean_up EXIT

# wine maps / to drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

echo "== the zip refuses the demo key"
bash "$root/scripts/windows/package.sh" "$build" >"$work/refused.log" 2>&1 &&
  fail "the zip was made with the demo key and without the test mark"
grep -q "DEMO key" "$work/refused.log" || fail "packaging failed for another reason: $(cat "$work/refused.log")"

echo "== test zip (demo key)"
bash "$root/scripts/windows/package.sh" "$build" -D CPACK_FERROWICK_TEST_PACKAGE=ON >"$work/package.log" 2>&1 || {
  cat "$work/package.log"
  fail "packaging failed"
}
zip=$(echo "$build"/package/ferrowick-*-win64.zip)
[[ -f $zip ]] || fail "no zip in $build/package"
folder=$(basename "$zip" .zip)
ls -l "$zip"

echo "== contents (Python's zipfile)"
python3 - "$zip" "$folder" <<'PYTHON' || fail "the zip's contents are not the shipped set"
import sys, zipfile
path, folder = sys.argv[1:]
shipped = {"ferrowick.exe", "ferrowick-run.exe", "ferrowick-reg.exe", "ferrowick-event.exe",
           "ferrowick-pack.exe", "ferrowick-messages.dll", "ferrowick_logger.xml", "README-windows.txt"}
with zipfile.ZipFile(path) as archive:
    if archive.testzip() is not None:
        sys.exit("a damaged member: " + archive.testzip())
    files = {info.filename: info for info in archive.infolist() if not info.is_dir()}
    for name, info in sorted(files.items()):
        print(f"{info.file_size:>10}  {name}")
    expected = {folder + "/" + name for name in shipped}
    if set(files) != expected:
        sys.exit(f"missing: {sorted(expected - set(files))}, unexpected: {sorted(set(files) - expected)}")
    readme = archive.read(folder + "/README-windows.txt")
    if readme.count(b"\n") == 0 or readme.count(b"\n") != readme.count(b"\r\n"):
        sys.exit("README-windows.txt does not end every line with CR LF")
    for program in shipped - {"ferrowick_logger.xml", "README-windows.txt"}:
        if archive.read(folder + "/" + program)[:2] != b"MZ":
            sys.exit(program + " is not a Windows program")
PYTHON

echo "== unzip into a fresh folder"
unzip -q "$zip" -d "$work/unpacked"
installed=$work/unpacked/$folder
run_installed() { "$wine" "$installed/$1" "${@:2}"; }

echo "== a fresh wine prefix; the installer's registry values"
"$wine" wineboot --init >/dev/null 2>&1
component_key='HKLM\SOFTWARE\Kestrane\Marvenholt\Client\Calvessa'
suite_key='HKLM\SOFTWARE\Kestrane\Marvenholt'
run_installed ferrowick-reg.exe set "$component_key" InstallDir --string "$(windows_path "$installed")"
run_installed ferrowick-reg.exe set "$component_key" TextResources --string ferrowick-messages.dll
run_installed ferrowick-reg.exe set "$suite_key" ProductLocale --string en-US
# wine's own reg.exe reads the values back from the system's registry.
"$wine" reg query "$component_key" /v TextResources | tr -d '\r' | grep -q 'TextResources *REG_SZ *ferrowick-messages.dll' ||
  fail "TextResources is not in the registry"
[[ $(run_installed ferrowick-reg.exe get "$component_key" InstallDir | tr -d '\r\n') == "$(windows_path "$installed")" ]] ||
  fail "InstallDir does not read back"

echo "== the demo update, published with the zip's ferrowick-pack.exe"
demo=$work/demo
mkdir -p "$demo"/{destination,logs} "$work/www"
stage_demo_update "$demo"
run_installed ferrowick-pack.exe publish --out "$(windows_path "$work/www")" --release-date now \
  --info-txt "$(windows_path "$demo/staging/info.txt")" --key "$(windows_path "$demo/keys/parameter.key")" \
  --key "$(windows_path "$demo/keys/built_in.key")" "$(windows_path "$demo/staging/bases.dat")" \
  "$(windows_path "$demo/staging/signatures.dat")"
read_published_update "$work/www"
[[ -f $updates/$package ]] || fail "ferrowick-pack.exe published no package"
start_update_server "$work/server" "$work/www"

# A task file as an administrator writes it in Notepad: Windows paths, CR LF.
task=$demo/bases.conf
printf '%s\r\n' "# the zip check's task" "source = https" "host = 127.0.0.1" "port = $update_server_port" \
  "retry-interval = 1" "block-size = 4096" "dest-dir = $(windows_path "$demo/destination")" \
  "pub = $(windows_path "$root/demo/keys/parameter.public.b64")" "copy-info-txt = 1" "task-alias = bases" \
  "logs-dir = $(windows_path "$demo/logs")" >"$task"

# run_task: the unpacked runner on the task; sets status and output.
run_task() {
  status=0
  output=$(run_installed ferrowick-run.exe --task "$(windows_path "$task")" \
    --state "$(windows_path "$demo/bases.state")" 2>"$demo/stderr") || status=$?
  output=${output//$'\r'/}
}

echo "== the unpacked ferrowick-run.exe: an HTTPS update"
run_task
[[ $status -eq 0 ]] || fail "the update ended with $status: $(cat "$demo/stderr")"
printf '%s\n' "$output"
mapfile -t lines <<<"$output"
[[ ${#lines[@]} -eq 4 ]] || fail "expected four result lines"
[[ ${lines[0]} == "$release" ]] || fail "the first result line is not the release $release"
[[ ${lines[1]} == "$(windows_path "$demo/destination")\\$package" ]] || fail "the second line does not name the placed package"
[[ -z ${lines[2]} ]] || fail "a client update places no utility package"
cmp "$updates/$package" "$demo/destination/$package" || fail "the package is not placed"
cmp "$updates/info2.txt" "$demo/destination/info2.txt" || fail "info2.txt is not kept"
[[ $(tr -d '\r\n' <"$demo/bases.state") == "$release" ]] || fail "the state does not hold $release"
grep -q "" "$demo/logs/ferrowick.log" || fail "no developer log, so ferrowick_logger.xml beside the runner was not read"
ls -l "$demo/destination"

echo "== the same task again: up to date"
run_task
[[ $status -eq 254 ]] || fail "the second run ended with $status, not 254 (up to date): $(cat "$demo/stderr")"

echo "== ProductLocale ru-RU, an update for another product: the error in Russian"
run_installed ferrowick-reg.exe set "$suite_key" ProductLocale --string ru-RU
sed -i '1s/^antivirus/firewall/' "$updates/info2.txt"
rm "$demo/bases.state"
run_task
[[ $status -eq 255 ]] || fail "the update for another product ended with $status, not 255"
russian='Пакет обновления предназначен для другого компонента.'
[[ $(<"$demo/stderr") == "application_exception [code: 5651]"$'\r\n'"$russian" ]] ||
  fail "standard error is not the Russian text of the library: $(cat "$demo/stderr")"
grep -a FATAL "$demo/logs/ferrowick.log" | grep -qF "[application: 5651] $russian" || fail "the FATAL line is not in Russian"

echo "== Windows package tests passed in $((SECONDS - started)) s"
