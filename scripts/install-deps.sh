#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Quillan. Installs only what is
# missing, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev
    liblzma-dev xz-utils
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev
    libmodbus-dev srecord python3 bsdutils
    xvfb xauth fonts-dejavu-core
    dpkg-dev file desktop-file-utils shared-mime-info bash-completion
    clang libclang-rt-14-dev time
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
