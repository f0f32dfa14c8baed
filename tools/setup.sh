#!/usr/bin/env bash
# Installs what building and testing Cindral needs on a Debian machine, and
# nothing when everything is already there.
set -euo pipefail

packages=(
    cmake g++ make pkg-config python3
    libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev
    libgl1-mesa-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libpng-dev
    libx11-dev xscreensaver util-linux
    mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
    binutils-mingw-w64
    wine64 xvfb x11-utils xdotool imagemagick icoutils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "setup: installing ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
