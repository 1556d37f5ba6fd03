#!/usr/bin/env bash
# One HTTPS download timed by the same benchmark built for Linux and for Windows (run
# under wine), from one loopback nginx: https_fetch_bench of each build, one after the
# other, on a file of random MiBs.
#   compare.sh LINUX_BUILD WINDOWS_BUILD [size in MiB, default 1024] [rounds, default 3]
# Both builds configured with -DFERROWICK_BENCH=ON and the target https_fetch_bench built.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
linux=$(cd "${1:?usage: compare.sh LINUX_BUILD WINDOWS_BUILD [MiB] [rounds]}" && pwd)
windows=$(cd "${2:?usage: compare.sh LINUX_BUILD WINDOWS_BUILD [MiB] [rounds]}" && pwd)
size_mib=${3:-1024}
rounds=${4:-3}
work=$(mktemp -d /tmp/ferrowick-fetch-bench.XXXXXX)
source "$root/scripts/update-server.sh"
trap 'stop_update_server "$work/server"; rm -rf "$work"' EXIT

mkdir -p "$work/www/update/0" "$work/linux" "$work/windows"
# TLS does not compress, so one random MiB repeated costs as much as random bytes throughout.
head -c 1048576 /dev/urandom >"$work/block"
for ((i = 0; i < size_mib; i++)); do cat "$work/block"; done >"$work/www/update/0/bases.bin"
start_update_server "$work/server" "$work/www"
url=https://127.0.0.1:$update_server_port/
size=$((size_mib * 1048576))

echo "== Linux"
"$linux/bench/https_download/https_fetch_bench" "$url" update/0 bases.bin "$size" "$work/linux" "$rounds"
echo "== Windows, under $(/usr/lib/wine/wine64 --version)"
export WINEPREFIX=$windows/wine-prefix WINEDEBUG=-all
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1  # a new prefix takes a while, outside the timing
/usr/lib/wine/wine64 "$windows/bench/https_download/https_fetch_bench.exe" \
  "$url" update/0 bases.bin "$size" "Z:${work//\//\\}\\windows" "$rounds"
