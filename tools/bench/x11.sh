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

source tools/env.sh
log=$(mktemp)
trap 'cindral_stop_xvfb; rm -f "$log"' EXIT
cindral_start_xvfb

echo "machine=$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
CINDRAL_FRAME_REPORT=1 \
    tools/bench/cpu.sh -w 2 -s 10 --also xvfb="$CINDRAL_XVFB_PID" -- "$program" -root 2>"$log"
sed -n 's/^cindral: //p' "$log" | tr ' ' '\n'
