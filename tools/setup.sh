#!/usr/bin/env bash
# Installs what one job needs on a Debian machine, and nothing when it is all
# there already. Each script asks for its own group:
#
#   tools/setup.sh run       tools/run.sh: the 64-bit Windows saver under Wine
#   tools/setup.sh linux     tools/run.sh --linux and --frames: the native build
#   tools/setup.sh package   tools/package.sh: every build the downloads come from
#   tools/setup.sh test      tools/test.sh: all of the above, and what the tests run
set -euo pipefail

# The native build (configuring it finds the test libraries too), and a
# private X display to show or photograph a window on.
linux=(
    cmake g++ make pkg-config python3
    libgtest-dev libbenchmark-dev nlohmann-json3-dev
    libgl1-mesa-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libpng-dev libx11-dev
    xvfb x11-utils imagemagick
)
# The 64-bit saver (its build configures the host's tests, which need
# GoogleTest's sources) and 64-bit Wine.
run=(
    cmake make python3 googletest g++-mingw-w64-x86-64-posix
    wine64 xvfb x11-utils xdotool imagemagick
)
package=(
    "${linux[@]}" googletest
    mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 binutils-mingw-w64
    emscripten nsis zip dpkg-dev osslsigncode
)
test=(
    "${package[@]}" "${run[@]}"
    clang libclang-rt-14-dev util-linux
    xscreensaver
    # MATE's screen saver, with a session bus and its settings store.
    mate-screensaver dbus-daemon libglib2.0-bin dconf-service dconf-gsettings-backend
    chromium icoutils unzip lintian
    # The scene built as 32-bit Linux, run on an emulated Pentium II.
    g++-multilib qemu-user
    # 32-bit Windows programs, on machines whose kernel runs 32-bit code
    # (tools/env.sh's cindral_runs_32bit asks).
    wine32:i386
)

case "${1:-}" in
run) packages=("${run[@]}") ;;
linux) packages=("${linux[@]}") ;;
package) packages=("${package[@]}") ;;
test) packages=("${test[@]}") ;;
*) echo "usage: tools/setup.sh run|linux|package|test" >&2; exit 2 ;;
esac

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
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
if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
echo "setup: this takes a few minutes; apt-get's own output follows only if it fails" >&2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } \
    >"$log" 2>&1; then
    cat "$log" >&2
    echo "setup: installing the packages failed" >&2
    exit 1
fi
