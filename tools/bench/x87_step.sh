#!/usr/bin/env bash
# The scene's step with x87 arithmetic, as the 32-bit saver computes for
# processors without SSE2, beside SSE2, as every other build computes. Builds
# tools/bench/scene_step.cpp with the scene four ways and prints microseconds
# per frame for each, against the 10,000 us a frame may take at 100 frames a
# second:
#
#   x86-64, SSE2             the 64-bit saver's and Linux's arithmetic, natively
#   x86-64, x87              the same code on this processor's x87 unit, as
#                            the 32-bit saver computes (-mfpmath=387 -ffloat-store)
#   i686, x87, Pentium II    the 32-bit saver's flags, under qemu-i386 -cpu pentium2
#   i686, SSE2               32-bit with SSE2, under qemu-i386
#
# The two emulated rows compare only with each other: qemu translates every
# x87 and SSE instruction into many of this machine's.
# Usage: tools/bench/x87_step.sh [BUILD_FOLDER]   (default build/bench-x87)
set -euo pipefail
cd "$(dirname "$0")/../.."
out=${1:-build/bench-x87}
mkdir -p "$out"

sources=(scene/*.cpp shared/*.cpp tests/benchmarks/empty_gl.cpp tools/bench/scene_step.cpp)
common=(-std=c++17 -O2 -ffp-contract=off -fno-fast-math -Iscene -Ishared)
build() { # name flags...
    local name=$1
    shift
    g++ "${common[@]}" "$@" "${sources[@]}" -o "$out/$name"
}
build sse2-64
build x87-64 -mfpmath=387 -ffloat-store
build x87-32 -m32 -static -march=i686 -mno-sse -mfpmath=387 -ffloat-store
build sse2-32 -m32 -static -msse2 -mfpmath=sse

printf '%-26s %12s\n' "scene step" "us/frame"
printf '%-26s %12s\n' "x86-64, SSE2" "$("$out/sse2-64")"
printf '%-26s %12s\n' "x86-64, x87" "$("$out/x87-64")"
printf '%-26s %12s\n' "i686, x87, Pentium II" "$(qemu-i386 -cpu pentium2 "$out/x87-32")"
printf '%-26s %12s\n' "i686, SSE2 (qemu)" "$(qemu-i386 "$out/sse2-32")"
