# Sourced by the scripts: the builds, the X displays and the Wine prefixes of
# the tree, each set up in one place. tools/cindral_env.py gives the Python
# scripts the same.
#
#   cindral_build PRESET [TARGET...]   configure build/PRESET as CMakePresets.json
#                                      names it, and build what is stale
#   cindral_wine_vars win32|win64      export the variables of the tree's Wine
#                                      prefix for that architecture
#   cindral_wine_env win32|win64       the same, and make the prefix on first use;
#                                      win32 where 32-bit code cannot run is
#                                      skipped (below)
#   cindral_stop_wine win32|win64      end the prefix's programs and server, and
#                                      remove the server's folder under /tmp
#   cindral_runs_32bit                 whether this machine runs 32-bit x86
#                                      programs; when not, CINDRAL_NO_32BIT says
#                                      why, in one line
#   cindral_start_xvfb [XVFB_ARGS...]  a private 1024x768x24 Xvfb; exports
#                                      DISPLAY and sets CINDRAL_XVFB_PID
#   cindral_stop_xvfb                  stops it
#
# A test that cannot run on this machine says "skipped: WHY" and exits with
# cindral_skip_status, which CTest is told to count as skipped.
cindral_skip_status=77
cindral_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

cindral_build() { # preset [target...]
    local preset=$1
    shift
    cmake --preset "$preset" -S "$cindral_root" >/dev/null || return
    if [ $# -gt 0 ]; then
        cmake --build --preset "$preset" -j"$(nproc)" --target "$@"
    else
        cmake --build --preset "$preset" -j"$(nproc)"
    fi
}

# Some kernels refuse every 32-bit x86 program ("Exec format error"), so the
# 32-bit Wine loader is asked to print its version: that runs 32-bit code.
# CINDRAL_RUNS_32BIT=no makes the answer no without asking, to try what such
# a machine does. Asked once per shell.
cindral_runs_32bit() {
    if [ -z "${_cindral_32bit:-}" ]; then
        local error
        if [ "${CINDRAL_RUNS_32BIT:-}" = no ]; then
            _cindral_32bit=no
            CINDRAL_NO_32BIT="CINDRAL_RUNS_32BIT=no says this machine runs no 32-bit x86 programs"
        elif error=$(/usr/lib/wine/wine --version 2>&1 >/dev/null); then
            _cindral_32bit=yes
        else
            _cindral_32bit=no
            error=${error##*: }
            CINDRAL_NO_32BIT="this machine runs no 32-bit x86 programs (/usr/lib/wine/wine --version: ${error:-failed})"
        fi
    fi
    [ "$_cindral_32bit" = yes ]
}

cindral_wine_vars() { # win32|win64
    case "$1" in
    win32) CINDRAL_WINE=/usr/lib/wine/wine ;;
    win64) CINDRAL_WINE=/usr/lib/wine/wine64 ;;
    *) echo "env: unknown Windows architecture '$1' (win32 or win64)" >&2; return 2 ;;
    esac
    export CINDRAL_WINE
    export WINEARCH=$1
    export WINEPREFIX="${CINDRAL_WINE_PREFIXES:-$cindral_root/build/wine}/$1"
    # The 64-bit server serves 32-bit programs too, and runs natively.
    export WINESERVER=/usr/lib/wine/wineserver64
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko installers (the saver needs neither), and no menu
    # builder, which would write menus and file associations into the home.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export XDG_CACHE_HOME="$(dirname "$WINEPREFIX")/cache"
    export MESA_SHADER_CACHE_DISABLE=true
    export LIBGL_ALWAYS_SOFTWARE=1
}

cindral_wine_env() { # win32|win64
    if [ "$1" = win32 ] && ! cindral_runs_32bit; then
        echo "skipped: $CINDRAL_NO_32BIT" >&2
        return "$cindral_skip_status"
    fi
    cindral_wine_vars "$1" || return
    # Made under a lock, since several test programs may be the first to ask.
    [ -f "$WINEPREFIX/system.reg" ] && return
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "env: making the $1 Wine prefix $WINEPREFIX (once; takes 10 to 30 s)" >&2
            "$CINDRAL_WINE" wineboot -i >/dev/null 2>&1
            "$WINESERVER" -w
        fi
    ) 9>"$WINEPREFIX.lock"
}

cindral_stop_wine() { # win32|win64
    (
        cindral_wine_vars "$1" || exit
        [ -f "$WINEPREFIX/wineserver" ] || exit 0
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
        # Wine names the folder in the prefix and makes it again when needed.
        folder=$(<"$WINEPREFIX/wineserver")
        case "$folder" in
        wine-*) rm -rf "${TMPDIR:-/tmp}/$folder" ;;
        esac
    )
}

cindral_start_xvfb() { # [xvfb args...]
    local fifo number
    fifo=$(mktemp -u) && mkfifo "$fifo" || return
    # Xvfb picks a free display number itself and reports it on descriptor 3.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp "$@" 3>"$fifo" >/dev/null 2>&1 &
    CINDRAL_XVFB_PID=$!
    if ! read -r -t 20 number <"$fifo"; then
        rm -f "$fifo"
        cindral_stop_xvfb
        echo "env: Xvfb did not start" >&2
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
}

cindral_stop_xvfb() {
    [ -n "${CINDRAL_XVFB_PID:-}" ] || return 0
    kill "$CINDRAL_XVFB_PID" 2>/dev/null || true
    wait "$CINDRAL_XVFB_PID" 2>/dev/null || true
    CINDRAL_XVFB_PID=
}
