#!/usr/bin/env bash
# Installs everything Wendrix needs to build, run and test on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

packages=(
    build-essential cmake ninja-build pkg-config git python3
    zlib1g-dev libdeflate-dev libcurl4-openssl-dev libicu-dev qt6-base-dev qt6-qpa-plugins
    libgtest-dev libgmock-dev googletest libbenchmark-dev libcpp-httplib-dev libssl-dev openssl
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 libz-mingw-w64-dev
    wine wine64
    xvfb xauth x11-utils imagemagick fonts-dejavu-core fonts-liberation
    hyperfine xdg-utils util-linux procps
    groff-base man-db desktop-file-utils unzip
)

# Fuzzing needs clang and libFuzzer. CI always fuzzes; elsewhere
# scripts/test.sh skips that step when they are missing (install them with
# `apt-get install clang libfuzzer-14-dev` to fuzz).
if [ "${CI:-}" = true ]; then
    packages+=(clang libfuzzer-14-dev)
fi

# The 32-bit Windows build's tests run under 32-bit Wine.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q "${missing[@]}"
fi
