# Sourced by scripts that run Windows programs: a private 64-bit Wine prefix
# inside the build tree (never the user's ~/.wine), made once, and quiet
# defaults for Wine and Mesa. Usage: source tools/wine-env.sh BUILD_DIR
cindral_build_dir=${1:?build directory}
export WINEARCH=win64
export WINEPREFIX="$(cd "$cindral_build_dir" && pwd)/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the saver needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
export MESA_SHADER_CACHE_DISABLE=true
export LIBGL_ALWAYS_SOFTWARE=1
export CINDRAL_WINE=/usr/lib/wine/wine64

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$CINDRAL_WINE" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
fi
