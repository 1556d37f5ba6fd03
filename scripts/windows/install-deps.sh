#!/usr/bin/env bash
# Installs what the Windows cross-build and its tests need on top of the Linux build's
# packages (Debian 12, as root): the MinGW-w64 compilers with the posix thread model, the
# resource and message compilers, zlib for MinGW and wine to run the test programs.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine64
  dpkg-dev googletest
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
