#!/usr/bin/env bash
# Builds everything that is stale and runs every test: the native build (scene,
# tools, Linux host), the web page, both Windows builds (the 32-bit one is
# built and inspected; this kernel cannot run 32-bit code), and the Windows
# tests under 64-bit Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

bash tools/setup.sh

export MESA_SHADER_CACHE_DISABLE=true

configure() { # build-dir [cmake args...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

echo "== native build and tests"
configure build/native
tools/with-display.sh ctest --test-dir build/native --output-on-failure -j"$jobs"

# The page in dist/web/, and its tests in headless Chromium against the native
# build's cindral-render.
configure_web() {
    configure build/web -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/emscripten.cmake" \
        -DCINDRAL_NATIVE_RENDER="$root/build/native/tools/cindral-render"
}

echo "== web build and tests"
configure_web
ctest --test-dir build/web --output-on-failure -j"$jobs"

echo "== Windows builds"
# The 32-bit saver, the product's own target, gets the runtime without the
# POSIX thread layer so that it does not need Vista's kernel functions.
configure build/win-i686 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/i686-w64-mingw32.cmake" \
    -DCINDRAL_MINGW_THREADS=win32
configure build/win-x86_64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/x86_64-w64-mingw32.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tools/wine-run.sh"

echo "== Saver executables: subsystem, format, imports, resources"
tools/check_scr.sh build/win-i686/host/cindral.scr build/win-x86_64/host/cindral.scr

echo "== Windows tests under Wine"
source tools/wine-env.sh build/win-x86_64
stop_wine() { /usr/lib/wine/wineserver -k 2>/dev/null || true; }
trap stop_wine EXIT
tools/with-display.sh ctest --test-dir build/win-x86_64 --output-on-failure
