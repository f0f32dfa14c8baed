#!/usr/bin/env bash
# Frame rate and processor use of the Linux host, cindral, drawing on the
# 1024x768 root window of a private Xvfb (Mesa's software renderer). Not a
# test: it prints figures. Usage: tools/bench/x11.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
program=$build/host_x11/cindral
[ -x "$program" ] || { echo "bench/x11: no $program; build it first" >&2; exit 1; }
export MESA_SHADER_CACHE_DISABLE=true

fifo=$(mktemp -u)
log=$(mktemp)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -f "$fifo" "$log"' EXIT
read -r -t 20 number <"$fifo" || { echo "bench/x11: Xvfb did not start" >&2; exit 1; }

echo "machine=$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
DISPLAY=":$number" CINDRAL_FRAME_REPORT=1 \
    tools/bench/cpu.sh -w 2 -s 10 --also xvfb="$xvfb" -- "$program" -root 2>"$log"
sed -n 's/^cindral: //p' "$log" | tr ' ' '\n'
