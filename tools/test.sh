#!/usr/bin/env bash
# Builds everything that is stale and runs every test: the native build (scene,
# tools, Linux host), again under the sanitizers with the fuzzers, the web
# page in headless Chromium, the scene with the 32-bit saver's arithmetic on an
# emulated Pentium II, the Windows builds, and the Windows tests under
# Wine on private virtual displays: the 32-bit saver, the product, under
# 32-bit Wine and the 64-bit one under 64-bit Wine, each with its fingerprint
# and end-to-end tests, and the host's test programs built for both; last, the
# downloads that tools/package.sh makes, checked as a person would use them.
#
# Where the kernel runs no 32-bit programs (tools/env.sh's cindral_runs_32bit),
# the 32-bit builds are still made and checked as files, and each test that
# would run 32-bit code is skipped with the reason. A suite that fails does
# not stop the run; a build that fails does. The last line counts the tests
# of every suite, after a line for each that failed or was skipped; the exit
# status is 1 when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash tools/setup.sh test

export MESA_SHADER_CACHE_DISABLE=true

# Each build is named, with how it is configured, in CMakePresets.json.
source tools/env.sh

results=build/test-results
rm -rf "$results"
mkdir -p "$results"
suites=()

summary() { # [--stopped WHY]
    python3 tools/test_summary.py "$results" "${suites[@]}" "$@"
}

build() { # preset [target...]
    cindral_build "$@" || { summary --stopped "build/$1 did not build"; exit 1; }
}

# One build's tests with CTest, JOBS at a time, through LAUNCHER if given (a
# private display); their results are counted at the end.
run_ctest() { # preset jobs [launcher...]
    local preset=$1 jobs=$2
    shift 2
    suites+=("$preset")
    "$@" ctest --preset "$preset" -j"$jobs" --output-junit "$cindral_root/$results/$preset.xml" ||
        echo "test: build/$preset: some tests failed"
}

cindral_runs_32bit || echo "test: the 32-bit Windows tests are skipped: $CINDRAL_NO_32BIT"

echo "== native build and tests"
build native
run_ctest native "$jobs" tools/with-display.sh

echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer (clang), with fuzzers"
build native-asan
run_ctest native-asan "$jobs" tools/with-display.sh

echo "== web build and tests (headless Chromium, against the native build's cindral-render)"
build web
run_ctest web "$jobs"

echo "== the scene with the 32-bit saver's arithmetic, as 32-bit Linux on an emulated Pentium II (qemu-i386)"
build pentium2
run_ctest pentium2 1

echo "== Windows builds"
for preset in win-i686 win-i686-tests win-x86_64; do
    build "$preset"
done

stop_wine() {
    cindral_stop_wine win32
    cindral_stop_wine win64
}
trap stop_wine EXIT
for preset in win-i686 win-i686-tests win-x86_64; do
    echo "== Windows tests under Wine: build/$preset"
    run_ctest "$preset" 1 tools/with-display.sh
done

echo "== Downloads: the zip, the Debian package, the installer in fresh Wine prefixes"
bash tools/package.sh || { summary --stopped "tools/package.sh failed"; exit 1; }
suites+=(downloads)
python3 tests/packaging/test_downloads.py --junit "$results/downloads.xml" || true

echo "== all suites"
summary
