#!/usr/bin/env bash
# Builds everything that is stale and runs every test: the native build (scene,
# tools, Linux host), again under the sanitizers with the fuzzers, the web
# page in headless Chromium, the Windows builds, and the Windows tests under
# Wine on private virtual displays: the 32-bit saver, the product, under
# 32-bit Wine and the 64-bit one under 64-bit Wine, each with its fingerprint
# and end-to-end tests, and the host's test programs built for both.
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

echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer (clang), with fuzzers"
CC=clang CXX=clang++ configure build/native-asan -DCINDRAL_SANITIZE=ON
tools/with-display.sh ctest --test-dir build/native-asan --output-on-failure -j"$jobs"

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
# POSIX thread layer so that it does not need Vista's kernel functions. The
# host's GoogleTest programs need the posix thread model, so they get a 32-bit
# build of their own, whose saver is not the one shipped.
configure build/win-i686 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/i686-w64-mingw32.cmake" \
    -DCINDRAL_MINGW_THREADS=win32
configure build/win-i686-tests -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/i686-w64-mingw32.cmake" \
    -DCINDRAL_SAVER_TESTS=OFF
configure build/win-x86_64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/x86_64-w64-mingw32.cmake"

echo "== Saver executables: subsystem, format, imports, resources"
tools/check_scr.sh build/win-i686/host/cindral.scr build/win-x86_64/host/cindral.scr

stop_wine() {
    for arch in win32 win64; do
        (source tools/wine-env.sh "$arch" >/dev/null 2>&1 && "$WINESERVER" -k 2>/dev/null) || true
    done
}
trap stop_wine EXIT
for build in win-i686 win-i686-tests win-x86_64; do
    echo "== Windows tests under Wine: build/$build"
    tools/with-display.sh ctest --test-dir "build/$build" --output-on-failure
done
