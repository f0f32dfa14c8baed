#!/usr/bin/env bash
# Builds what is stale and shows the flame: the real Windows saver
# (cindral.scr /s, 64-bit build) under Wine, on your display when there is one
# (press a key or move the mouse to end it), otherwise for a few seconds on a
# private virtual display, with screenshots saved under out/screenshots/.
#
#   tools/run.sh            the Windows saver under Wine
#   tools/run.sh --linux    the native Linux host, cindral, in a window
#   tools/run.sh --frames   frames rendered off-screen by cindral-render
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# Mesa would otherwise keep a shader cache under $HOME.
export MESA_SHADER_CACHE_DISABLE=true

source tools/env.sh

build_native() { # targets...
    cindral_build native "$@"
}

build_windows() {
    cindral_build win-x86_64 cindral
}

# 300 frames at 800x600, every 30th kept: ten pictures of the first three
# seconds of the saver at its 100 frames a second.
render_frames() { # dir
    local dir=$1
    mkdir -p "$dir"
    rm -f "$dir"/frame-*.png
    build/native/host_headless/cindral-render --size 800x600 --frames 300 --every 30 --out "$dir"
    echo "run: the flame, every 30th of 300 frames at 800x600, is in $dir/:"
    ls "$dir"
}

# True when DISPLAY names a display that answers. When it is set and does not
# answer, says so, since the run then falls back to a private virtual display.
display_answers() {
    [ -n "${DISPLAY:-}" ] || return 1
    xdpyinfo >/dev/null 2>&1 && return 0
    echo "run: the display '$DISPLAY' named by DISPLAY did not answer." >&2
    return 1
}

# The saver in the tree's private 64-bit Wine prefix, never ~/.wine.
run_saver() {
    local scr="$root/build/win-x86_64/host/cindral.scr"
    cindral_wine_env win64
    local x11_key='HKCU\Software\Wine\X11 Driver'
    if display_answers; then
        "$CINDRAL_WINE" reg delete "$x11_key" /v Managed /f >/dev/null 2>&1 || true
        "$WINESERVER" -w
        echo "run: the saver is starting on $DISPLAY; press a key or move the mouse to end it."
        "$CINDRAL_WINE" "$scr" /s
        cindral_stop_wine win64
        return
    fi
    local shots="$root/out/screenshots"
    mkdir -p "$shots"
    rm -f "$shots"/saver-*.png
    # The virtual display has no window manager, for which Wine would wait
    # when the saver's window goes.
    "$CINDRAL_WINE" reg add "$x11_key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # Let this prefix's Wine session end: one started without a display would
    # keep the saver's windows off the virtual one.
    "$WINESERVER" -w
    echo "run: running the saver for a few seconds on a private virtual display."
    tools/with-display.sh bash -c '
        "$CINDRAL_WINE" "$1" /s &
        saver=$!
        # The first start in a new prefix takes a while; wait for the window.
        for _ in $(seq 100); do
            xdotool search --name SaverWindow >/dev/null 2>&1 && break
            sleep 0.2
        done
        for s in 1 3 5; do
            sleep $(( s == 1 ? 1 : 2 ))
            import -window root "$2/saver-${s}s.png"
        done
        xdotool key space
        wait "$saver"
        "$WINESERVER" -k 2>/dev/null || true
    ' run "$scr" "$shots"
    cindral_stop_wine win64
    echo "run: screenshots of the running saver are in $shots/:"
    ls "$shots"
}

run_linux() {
    build_native cindral_x11
    if display_answers; then
        echo "run: cindral is starting on $DISPLAY; press a key or click to end it."
        build/native/host_x11/cindral -window
        return
    fi
    local shots="$root/out/screenshots"
    mkdir -p "$shots"
    echo "run: running cindral for a few seconds on a private virtual display."
    tools/with-display.sh bash -c '
        "$1" -window & pid=$!
        sleep 3
        import -window root "$2/linux-3s.png"
        # It ends by the signal, as a screen saver daemon expects: 128 + 15.
        kill -TERM "$pid"; wait "$pid" || [ $? -eq 143 ]
    ' run "$root/build/native/host_x11/cindral" "$shots"
    echo "run: a screenshot of cindral is in $shots/linux-3s.png"
}

main() {
    case "${1:-}" in
        --frames) bash tools/setup.sh linux; build_native cindral-render; render_frames "$root/out/frames" ;;
        --linux) bash tools/setup.sh linux; run_linux ;;
        "") bash tools/setup.sh run; build_windows; run_saver ;;
        *) echo "usage: tools/run.sh [--linux | --frames]" >&2; exit 2 ;;
    esac
}

main "$@"
