#!/usr/bin/env bash
# Installs what the Windows cross-build and its tests need on top of the Linux build's
# packages (Debian 12, as root): the MinGW-w64 compilers with the posix thread model, the
# resource and message compilers, zlib for MinGW and wine to run the test programs.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine64
  dpkg-dev googletest
)

bash "$(dirname "$0")/../install-packages.sh" "${packages[@]}"
