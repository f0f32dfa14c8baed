# Sourced by scripts that run Windows programs: one private Wine prefix per
# Windows architecture, shared by everything in this tree that runs Windows
# programs (never the user's ~/.wine), made on first use, and quiet defaults
# for Wine and Mesa. Usage: source tools/wine-env.sh win32|win64
cindral_wine_arch=${1:?win32 or win64}
case "$cindral_wine_arch" in
win32) CINDRAL_WINE=/usr/lib/wine/wine ;;
win64) CINDRAL_WINE=/usr/lib/wine/wine64 ;;
*) echo "wine-env: unknown Windows architecture '$cindral_wine_arch' (win32 or win64)" >&2; return 2 ;;
esac
export CINDRAL_WINE
cindral_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEARCH=$cindral_wine_arch
export WINEPREFIX="${CINDRAL_WINE_PREFIXES:-$cindral_root/build/wine}/$cindral_wine_arch"
# The 64-bit server serves 32-bit programs too, and runs natively.
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers (the saver needs neither), and no menu builder,
# which would write menus and file associations into the user's home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export XDG_CACHE_HOME="$(dirname "$WINEPREFIX")/cache"
export MESA_SHADER_CACHE_DISABLE=true
export LIBGL_ALWAYS_SOFTWARE=1

# Made under a lock, since several test programs may be the first to ask.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "wine-env: making the $cindral_wine_arch Wine prefix $WINEPREFIX (once; takes 10 to 30 s)" >&2
            "$CINDRAL_WINE" wineboot -i >/dev/null 2>&1
            "$WINESERVER" -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi
