#!/usr/bin/env bash
# Builds what is stale and shows the flame: for now a short run rendered
# off-screen by cindral-render into PNG frames under out/frames/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

# Mesa would otherwise keep a shader cache under $HOME.
export MESA_SHADER_CACHE_DISABLE=true

build_native() { # targets...
    cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build/native -j"$jobs" --target "$@"
}

# 300 frames at 800x600, every 30th kept: ten pictures of the first three
# seconds of the saver at its 100 frames a second.
render_frames() { # dir
    local dir=$1
    mkdir -p "$dir"
    rm -f "$dir"/frame-*.png
    build/native/tools/cindral-render --size 800x600 --frames 300 --every 30 --out "$dir"
    echo "run: the flame, every 30th of 300 frames at 800x600, is in $dir/:"
    ls "$dir"
}

main() {
    bash tools/setup.sh
    build_native cindral-render
    render_frames "$root/out/frames"
}

main "$@"
