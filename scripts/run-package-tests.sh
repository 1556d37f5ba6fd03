#!/usr/bin/env bash
# The Debian package on this machine (as root; it installs and purges the package, so
# CI only): builds it from a build folder, runs lintian and systemd-analyze verify,
# installs it with dpkg, runs the installed ferrowick-run on task files against loopback
# update servers (an update, then up to date, then SIGTERM on a stalled transfer), and
# purges it, checking that nothing of it remains.
#   run-package-tests.sh BUILD_DIR      (a configured and built folder, e.g. out/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: run-package-tests.sh BUILD_DIR}" && pwd)
work=$(mktemp -d /tmp/ferrowick-package-tests.XXXXXX)
script=run-package-tests.sh

fail() {
  echo "$script: $*" >&2
  exit 1
}

bash "$root/scripts/install-packages.sh" lintian systemd nginx-light openssl dpkg-dev

echo "== the package refuses the demo key"
(cd "$build" && cpack -G DEB >"$work/refused.log" 2>&1) && fail "cpack packaged the demo key without the test mark"
grep -q "DEMO key" "$work/refused.log" || fail "cpack failed for another reason: $(cat "$work/refused.log")"

echo "== test package (demo key)"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -D CPACK_FERROWICK_TEST_PACKAGE=ON >"$work/cpack.log") || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
deb=$(echo "$build"/package/ferrowick_*_amd64.deb)
[[ -f $deb ]] || fail "no package in $build/package"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb" | awk '{print $1, $6}'

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

# The machine is left as it was found, also when a check fails.
package_installed() { dpkg-query -W -f='${Status}' ferrowick 2>/dev/null | grep -q installed; }
source "$root/scripts/update-server.sh"
clean_up() {
  stop_update_server "$work/server"
  stop_update_server "$work/stalled-server"
  if package_installed; then dpkg --purge ferrowick >/dev/null 2>&1 || true; fi
  rm -rf /etc/ferrowick "$work"
}
trap clean_up EXIT

echo "== dpkg -i"
dpkg -i "$deb"
component_key='HKLM\SOFTWARE\Kestrane\Marvenholt\Client\Calvessa'
[[ $(ferrowick-reg get "$component_key" InstallDir) == /usr/share/ferrowick* ]] ||
  fail "InstallDir is not written: $(ferrowick-reg get "$component_key" InstallDir)"
[[ -f /usr/share/ferrowick/$(ferrowick-reg get "$component_key" TextResources | tr -d '\r\n') ]] ||
  fail "TextResources does not lead to the localization library"

echo "== systemd-analyze verify"
systemd-analyze verify ferrowick-update@ci.service ferrowick-update@ci.timer

# The demo's signed update (package signed with the demo keys), published twice: as it
# is, and as a large package that a second server sends only its first bytes of.
# The build's ferrowick-pack makes the updates; everything else runs installed.
demo=$work/demo
source "$root/scripts/demo-common.sh"
make_demo_update
unset FERROWICK_REGISTRY_ROOT  # the installed runner and worker use the package's store
stalled_updates=$work/stalled-www/update/0
mkdir -p "$stalled_updates"
head -c 2097152 /dev/urandom >"$demo/staging/large-bases.dat"
"$pack" create "$stalled_updates/$package" --key "$demo/keys/parameter.key" --key "$demo/keys/built_in.key" \
  "$demo/staging/large-bases.dat"
cp "$updates/info2.txt" "$updates/info.txt" "$stalled_updates/"
start_update_server "$work/server" "$demo/www"
server_port=$update_server_port
start_update_server "$work/stalled-server" "$work/stalled-www" "limit_rate_after 256k; limit_rate 1k;"
stalled_port=$update_server_port

# write_task NAME PORT: /etc/ferrowick/tasks/NAME.conf for the server on PORT.
write_task() {
  mkdir -p "/var/lib/ferrowick/$1"
  cat >"/etc/ferrowick/tasks/$1.conf" <<TASK
# CI task $1
source = https
host = 127.0.0.1
port = $2
retry-interval = 1
block-size = 4096
dest-dir = /var/lib/ferrowick/$1
pub = $root/demo/keys/parameter.public.b64
copy-info-txt = 1
task-alias = $1
configs-dir = /etc/ferrowick
main-config = ferrowick.xml
logs-dir = /var/log/ferrowick/$1
TASK
}

# run_task NAME: as ferrowick-update@NAME.service runs it; sets status.
run_task() {
  status=0
  /usr/bin/ferrowick-run --task "/etc/ferrowick/tasks/$1.conf" --state "/var/lib/ferrowick/$1.state" || status=$?
}

echo "== the installed runner: an update"
write_task ci "$server_port"
run_task ci
[[ $status -eq 0 ]] || fail "the update ended with $status"
cmp "$updates/$package" "/var/lib/ferrowick/ci/$package" || fail "the package is not placed"
[[ $(</var/lib/ferrowick/ci.state) == "$release" ]] || fail "the state does not hold $release"
grep -q "" /var/log/ferrowick/ci/ferrowick.log || fail "no developer log in /var/log/ferrowick/ci"
ls -l /var/lib/ferrowick/ci /var/log/ferrowick/ci

echo "== the same task again: up to date"
run_task ci
[[ $status -eq 254 ]] || fail "the second run ended with $status, not 254 (up to date)"

echo "== SIGTERM on a stalled transfer"
write_task stalled "$stalled_port"
/usr/bin/ferrowick-run --task /etc/ferrowick/tasks/stalled.conf --state /var/lib/ferrowick/stalled.state &
runner=$!
# The package's first 256 KiB come at once, then 1 KiB a second: once its partial file
# holds more than the small files could, the transfer is under way.
started=$SECONDS
until find /var/lib/ferrowick/stalled -type f -size +64k | grep -q .; do
  kill -0 "$runner" 2>/dev/null || fail "the runner ended before the transfer stalled"
  ((SECONDS - started < 60)) || fail "the package transfer did not start"
  sleep 0.1
done
kill -TERM "$runner"
status=0
wait "$runner" || status=$?
[[ $status -eq 253 ]] || fail "the stopped run ended with $status, not 253 (cancelled)"
leftovers=$(find /var/lib/ferrowick/stalled -mindepth 1)
[[ -z $leftovers ]] || fail "the cancelled run left files behind: $leftovers"
[[ ! -e /var/lib/ferrowick/stalled.state ]] || fail "the cancelled run wrote a state"

echo "== dpkg --purge"
dpkg --purge ferrowick
# The task files are the administrator's, not the package's: dpkg keeps them (and their
# folders); everything else of the package is gone.
kept=$(find /etc/ferrowick | sort | tr '\n' ' ')
[[ $kept == "/etc/ferrowick /etc/ferrowick/tasks /etc/ferrowick/tasks/ci.conf /etc/ferrowick/tasks/stalled.conf " ]] ||
  fail "after the purge /etc/ferrowick holds: $kept"
for path in /usr/bin/ferrowick-run /usr/bin/ferrowick-reg /usr/bin/ferrowick-event /usr/bin/ferrowick-pack \
  /usr/lib/ferrowick /usr/share/ferrowick /usr/share/doc/ferrowick /var/lib/ferrowick /var/log/ferrowick \
  /lib/systemd/system/ferrowick-update@.service /lib/systemd/system/ferrowick-update@.timer; do
  [[ ! -e $path ]] || fail "$path remains after the purge"
done
dpkg-query -W ferrowick >/dev/null 2>&1 && fail "dpkg still knows the package"
echo "== package tests passed"
