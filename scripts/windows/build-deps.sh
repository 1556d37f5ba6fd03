#!/usr/bin/env bash
# Builds the static Windows libraries the cross-build links (OpenSSL, POCO, pugixml,
# GoogleTest/GoogleMock) from Debian's own sources into a cache folder outside the clone
# and prints that folder. The folder is keyed by the versions the Linux build uses and by
# this script and the toolchain file, so a later run with the cache present only checks.
#   FERROWICK_WIN_DEPS   where the cache lives (default /var/cache/ferrowick-win-deps)
set -euo pipefail
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/../.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
cache_root=${FERROWICK_WIN_DEPS:-/var/cache/ferrowick-win-deps}
mingw_target=x86_64-w64-mingw32
windows_openssl_dir="C:/Program Files/Common Files/Kestrane/ferrowick/ssl"
jobs=$(nproc)

# The source package of each library and the Linux package whose version it follows.
declare -A linux_package=([openssl]=libssl-dev [poco]=libpoco-dev [pugixml]=libpugixml-dev [googletest]=googletest)
sources=(openssl poco pugixml googletest)
declare -A wanted
for source in "${sources[@]}"; do
  wanted[$source]=$(dpkg-query -W -f='${source:Version}' "${linux_package[$source]}")
done

key=$({
  for source in "${sources[@]}"; do echo "$source=${wanted[$source]}"; done
  cat "$0" "$toolchain"
} | sha256sum | cut -c1-16)
prefix=$cache_root/$key
mkdir -p "$cache_root"
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/versions.txt" ]; then
  echo "$prefix"
  exit 0
fi
rm -rf "$prefix" "$prefix.work"
work=$prefix.work
mkdir -p "$work/logs" "$prefix"
log() { echo "build-deps: $*" >&2; }

# Runs a build step with its output in a log, shown when the step fails.
step() {
  local name=$1
  shift
  local started=$SECONDS
  log "$name"
  if ! "$@" >>"$work/logs/$name.log" 2>&1; then
    tail -n 40 "$work/logs/$name.log" >&2
    log "$name failed, log: $work/logs/$name.log"
    exit 1
  fi
  log "$name took $((SECONDS - started)) s"
}

# A private apt source list holding the system's own archives as deb-src entries; the
# system's configuration and package lists stay untouched.
private_apt_sources() {
  local parts=$work/apt/sources.list.d
  mkdir -p "$parts" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk '
      BEGIN { enabled = 1 }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      /^Types:/ { if ($0 ~ /[[:space:]]deb([[:space:]]|$)/) binary = 1; stanza = stanza "Types: deb-src\n"; next }
      /^Enabled:[[:space:]]*no/ { enabled = 0; next }
      { stanza = stanza $0 "\n" }
      END { flush() }
      function flush() {
        if (stanza != "" && binary && enabled) printf "%s\n", stanza
        stanza = ""; binary = 0; enabled = 1
      }' "$file" >"$parts/$(basename "$file")"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >>"$parts/system.list"
  done
  apt_options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$parts"
    -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache" -o APT::Sandbox::User=root)
  # An archive without sources fails its own entry only; a missing package fails below.
  apt-get "${apt_options[@]}" update >"$work/logs/apt-update.log" 2>&1 ||
    log "apt-get update reported errors, see $work/logs/apt-update.log"
}

# Extracts a source package at the Linux build's version or, when the archives no longer
# serve that one, at the newest version they do serve; prints the version extracted.
fetch_source() {
  local source=$1 version
  local candidates=("${wanted[$source]}")
  mapfile -t -O 1 candidates < <(apt-cache "${apt_options[@]}" showsrc --only-source "$source" |
    sed -n 's/^Version: //p' | sort -rV)
  for version in "${candidates[@]}"; do
    if (cd "$work" && apt-get "${apt_options[@]}" source --only-source "$source=$version" \
      >>"$work/logs/apt-source.log" 2>&1); then
      [ "$version" = "${wanted[$source]}" ] || log "$source ${wanted[$source]} is not served, built $version"
      echo "$version"
      return
    fi
  done
  log "no version of $source could be fetched, log: $work/logs/apt-source.log"
  return 1
}

# The MinGW headers are lower-case; POCO includes some of them capitalised.
case_links() {
  local links=$prefix/include/mingw-case-links
  mkdir -p "$links"
  ln -sf "/usr/$mingw_target/include/winsock2.h" "$links/Winsock2.h"
  ln -sf "/usr/$mingw_target/include/iphlpapi.h" "$links/Iphlpapi.h"
}

cmake_build() {
  local name=$1 source_dir=$2
  shift 2
  step "$name-configure" cmake -S "$source_dir" -B "$work/build-$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DFERROWICK_WIN_DEPS_DIR="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
  step "$name-build" nice -n 10 cmake --build "$work/build-$name" -j"$jobs"
  step "$name-install" cmake --install "$work/build-$name"
}

build_openssl() {
  local dir
  dir=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n 1)
  (
    cd "$dir"
    # Algorithms and protocols neither POCO nor the worker uses are left out to keep the
    # build short. Without DSO support no provider or engine can ever be loaded as a DLL.
    step openssl-configure env CC=gcc-posix ./Configure mingw64 --cross-compile-prefix=$mingw_target- \
      no-shared no-tests no-dso no-engine no-legacy no-module no-aria no-camellia no-cms no-ct no-dtls \
      no-idea no-mdc2 no-rc5 no-seed no-sm2 no-sm3 no-sm4 no-srp no-ts no-whirlpool \
      --prefix="$prefix" --libdir=lib
    # The built-in folders (configuration, certificates, modules) would otherwise be this
    # cache's Unix path, which Windows reads as C:\var\..., a folder any user may create.
    # They name a folder below Program Files instead, which only administrators may create.
    step openssl-build nice -n 10 make -j"$jobs" build_libs OPENSSLDIR="$windows_openssl_dir" \
      ENGINESDIR="$windows_openssl_dir/engines" MODULESDIR="$windows_openssl_dir/modules"
    step openssl-install make install_dev
  )
}

build_poco() {
  local dir
  dir=$(find "$work" -maxdepth 1 -type d -name 'poco-*' | head -n 1)
  # wincrypt.h defines TIMESTAMP_REQUEST, a name of this enum.
  sed -i '0,/^[[:space:]]*enum MessageType/s//#undef TIMESTAMP_REQUEST\n&/' \
    "$dir/Net/include/Poco/Net/ICMPv4PacketImpl.h"
  # NetSSL needs Util; Util builds without its XML and JSON configurations, so its
  # package file must not ask for them.
  sed -i '/find_dependency(Poco\(XML\|JSON\))/d' "$dir/Util/cmake/PocoUtilConfig.cmake"
  local modules=(UTIL NET CRYPTO NETSSL)
  local off=(XML JSON ENCODINGS ENCODINGS_COMPILER MONGODB DATA DATA_SQLITE DATA_MYSQL DATA_POSTGRESQL DATA_ODBC
    REDIS PDF NETSSL_WIN SEVENZIP ZIP APACHECONNECTOR CPPPARSER JWT POCODOC PAGECOMPILER
    PAGECOMPILER_FILE2PAGE ACTIVERECORD ACTIVERECORD_COMPILER PROMETHEUS TESTS)
  local options=(-DOPENSSL_ROOT_DIR="$prefix" -DOPENSSL_USE_STATIC_LIBS=ON)
  local module
  for module in "${modules[@]}"; do options+=("-DENABLE_$module=ON"); done
  for module in "${off[@]}"; do options+=("-DENABLE_$module=OFF"); done
  cmake_build poco "$dir" "${options[@]}"
}

build_pugixml() {
  cmake_build pugixml "$(find "$work" -maxdepth 1 -type d -name 'pugixml-*' | head -n 1)"
}

build_googletest() {
  cmake_build googletest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

private_apt_sources
declare -A fetched
for source in openssl poco pugixml; do
  fetched[$source]=$(fetch_source "$source")
done
fetched[googletest]=${wanted[googletest]}
case_links
build_openssl
build_pugixml
build_poco
build_googletest

for source in "${sources[@]}"; do echo "$source ${fetched[$source]}"; done >"$prefix/versions.txt"
rm -rf "$work"
echo "$prefix"
