#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need, when missing.
# clang builds the fuzz targets; libFuzzer's runtime comes with libclang-rt-dev (on Debian 12
# libclang-rt-14-dev), which clang only recommends.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config clang-format
    clang libclang-rt-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libcli11-dev
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
