#!/usr/bin/env bash
# Builds everything that is stale and runs every test: the native build (scene,
# tools, Linux host), again under the sanitizers with the fuzzers, the web
# page in headless Chromium, the Windows builds, and the Windows tests under
# Wine on private virtual displays: the 32-bit saver, the product, under
# 32-bit Wine and the 64-bit one under 64-bit Wine, each with its fingerprint
# and end-to-end tests, and the host's test programs built for both; last, the
# downloads that tools/package.sh makes, checked as a person would use them.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash tools/setup.sh

export MESA_SHADER_CACHE_DISABLE=true

# Each build is named, with how it is configured, in CMakePresets.json.
source tools/env.sh

echo "== native build and tests"
cindral_build native
tools/with-display.sh ctest --preset native -j"$jobs"

echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer (clang), with fuzzers"
cindral_build native-asan
tools/with-display.sh ctest --preset native-asan -j"$jobs"

echo "== web build and tests (headless Chromium, against the native build's cindral-render)"
cindral_build web
ctest --preset web -j"$jobs"

echo "== Windows builds"
for preset in win-i686 win-i686-tests win-x86_64; do
    cindral_build "$preset"
done

stop_wine() {
    cindral_stop_wine win32
    cindral_stop_wine win64
}
trap stop_wine EXIT
for preset in win-i686 win-i686-tests win-x86_64; do
    echo "== Windows tests under Wine: build/$preset"
    tools/with-display.sh ctest --preset "$preset"
done

echo "== Downloads: the zip, the Debian package, the installer in fresh Wine prefixes"
bash tools/package.sh
python3 tests/packaging/test_downloads.py
