#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need (Debian 12, as root).
set -euo pipefail

packages=(
  build-essential cmake clang-format
  libssl-dev openssl libpoco-dev zlib1g-dev libpugixml-dev
  libgtest-dev libgmock-dev libspdlog-dev libproxy-dev
  nginx-light tinyproxy curl ccache
  procps util-linux
  unzip p7zip-full python3 zip
  clang libclang-rt-14-dev
  gettext gdb
)

bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"
