#!/usr/bin/env bash
# Installs what building and testing Cindral needs on a Debian machine, and
# nothing when everything is already there.
set -euo pipefail

packages=(
    cmake g++ make pkg-config python3
    libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev
    clang libclang-rt-14-dev
    libgl1-mesa-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libpng-dev
    libx11-dev xscreensaver util-linux
    # MATE's screen saver, with a session bus and its settings store.
    mate-screensaver dbus-daemon libglib2.0-bin dconf-service dconf-gsettings-backend
    emscripten chromium
    mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
    binutils-mingw-w64
    wine64 xvfb x11-utils xdotool imagemagick icoutils
    # 32-bit Windows programs: this kernel runs no 32-bit code itself, so
    # qemu's user-mode emulation runs the 32-bit Wine loader.
    qemu-user-binfmt wine32:i386
    # The downloads: the Windows installer and zip, the Debian package.
    nsis zip unzip dpkg-dev lintian
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
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
echo "setup: this takes a minute or two; apt-get's own output follows only if it fails" >&2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } \
    >"$log" 2>&1; then
    cat "$log" >&2
    echo "setup: installing the packages failed" >&2
    exit 1
fi
