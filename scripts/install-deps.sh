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

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
